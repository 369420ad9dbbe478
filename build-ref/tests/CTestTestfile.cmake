# CMake generated Testfile for 
# Source directory: /work/main/tests
# Build directory: /work/main/build-ref/tests
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
add_test([=[unit]=] "/work/main/build-ref/tests/tonemill_tests")
set_tests_properties([=[unit]=] PROPERTIES  _BACKTRACE_TRIPLES "/work/main/tests/CMakeLists.txt;25;add_test;/work/main/tests/CMakeLists.txt;0;")
add_test([=[end_to_end]=] "/root/.pyenv/shims/python3" "/work/main/tests/e2e/run_cases.py" "--tool" "/work/main/build-ref/tonemill")
set_tests_properties([=[end_to_end]=] PROPERTIES  _BACKTRACE_TRIPLES "/work/main/tests/CMakeLists.txt;32;add_test;/work/main/tests/CMakeLists.txt;0;")
