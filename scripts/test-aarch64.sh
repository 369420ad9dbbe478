#!/bin/sh
# Cross-builds tonemill for 64-bit ARM Linux in build-aarch64/ and runs the
# unit tests and the end-to-end cases under qemu-user: the same expected bytes
# as on x86-64, from a CPU with no x87 unit and a binary128 long double.
# Installs Debian's cross compiler and qemu-user first when they are missing
# (needs root or sudo, and apt). Exits non-zero on any failure.
set -eu

cd "$(dirname "$0")/.."

# GoogleTest is built for the target from the sources that Debian ships.
./scripts/install-deps.sh g++-aarch64-linux-gnu qemu-user

cmake -S . -B build-aarch64 -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake
cmake --build build-aarch64
ctest --test-dir build-aarch64 --output-on-failure -E end_to_end
# Verbose, so that the list of cases skipped on this platform is shown.
ctest --test-dir build-aarch64 --output-on-failure -V -R end_to_end
