#!/bin/sh
# Cross-builds tonemill for 64-bit ARM Linux in build-aarch64/ and runs the
# unit tests and the end-to-end cases under qemu-user: the same expected bytes
# as on x86-64, from a CPU with no x87 unit and a binary128 long double.
# Installs Debian's cross compiler and qemu-user first when they are missing
# (needs root or sudo, and apt). Exits non-zero on any failure.
set -eu

cd "$(dirname "$0")/.."

missing=""
command -v aarch64-linux-gnu-g++ >/dev/null 2>&1 || missing="$missing g++-aarch64-linux-gnu"
command -v qemu-aarch64 >/dev/null 2>&1 || missing="$missing qemu-user"
command -v cmake >/dev/null 2>&1 || missing="$missing cmake"
command -v ninja >/dev/null 2>&1 || missing="$missing ninja-build"
command -v python3 >/dev/null 2>&1 || missing="$missing python3"
# GoogleTest is built from the sources that Debian ships, for the target.
[ -d /usr/src/googletest ] || missing="$missing googletest"
if [ -n "$missing" ]; then
    echo "Installing:$missing"
    sudo_cmd=""
    [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
    $sudo_cmd apt-get update
    # shellcheck disable=SC2086  # the list is meant to split into words
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y --no-install-recommends $missing
fi

cmake -S . -B build-aarch64 -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake
cmake --build build-aarch64
ctest --test-dir build-aarch64 --output-on-failure -E end_to_end
# Verbose, so that the list of cases skipped on this platform is shown.
ctest --test-dir build-aarch64 --output-on-failure -V -R end_to_end
