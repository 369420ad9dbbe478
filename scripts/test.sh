#!/bin/sh
# Builds everything and runs every test: GCC and Clang builds, AddressSanitizer
# with UndefinedBehaviorSanitizer, the fuzz targets for a short while, the
# Windows build under Wine, the aarch64 build under qemu and the packages.
# Exits non-zero when anything fails.
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh

step() { printf '\n=== %s\n' "$*"; }

step "GCC, Release"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=g++ -DTONEMILL_BENCHMARKS=ON
cmake --build build
ctest --test-dir build --output-on-failure -E end_to_end
# Verbose, so that the list of cases skipped on this platform is shown.
ctest --test-dir build --output-on-failure -V -R end_to_end

step "Clang with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
cmake --build build-sanitize
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir build-sanitize --output-on-failure

for script in test-fuzz test-windows test-aarch64 test-package; do
    step "$script"
    "./scripts/$script.sh"
done
step "all tests passed"
