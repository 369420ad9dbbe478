# Cross-builds tonemill for 64-bit ARM Linux with Debian's cross compiler
# (package g++-aarch64-linux-gnu), and runs the tests under qemu-user:
#   cmake -S . -B build-aarch64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake
# An ARM machine has no x87 unit and its long double is binary128, so this
# build shows that the packed entries do not depend on either.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(target_triple aarch64-linux-gnu)
# GoogleTest, built from source for the target, also needs the C compiler.
set(CMAKE_C_COMPILER ${target_triple}-gcc)
set(CMAKE_CXX_COMPILER ${target_triple}-g++)

set(CMAKE_FIND_ROOT_PATH /usr/${target_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static executables run under qemu-aarch64 as they are, without pointing the
# emulator at the target's loader and libraries (-L), so the emulator is a
# single word that the test drivers can take as their launcher.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
find_program(TONEMILL_QEMU_AARCH64 NAMES qemu-aarch64 qemu-aarch64-static)
if(TONEMILL_QEMU_AARCH64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TONEMILL_QEMU_AARCH64})
endif()
