#!/bin/sh
# Cross-builds tonemill.exe for 64-bit Windows in build-windows/ and runs the
# unit tests and the end-to-end cases under Wine. Installs Debian's MinGW-w64
# cross compiler and Wine first when they are missing (needs root and apt).
# Exits non-zero on any failure.
set -eu

cd "$(dirname "$0")/.."

# GoogleTest is built for the target from the sources that Debian ships.
./scripts/install-deps.sh g++-mingw-w64-x86-64-posix wine64 wine

cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
cmake --build build-windows

# One Wine server for the whole run: a server that starts cold for every
# program costs seconds a start, ten times the suite's own time.
WINEPREFIX="$(pwd)/build-windows/wineprefix"
export WINEPREFIX
build-windows/wine-run cmd /c exit >/dev/null 2>&1 || true
wineserver -p >/dev/null 2>&1 || true
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT

ctest --test-dir build-windows --output-on-failure -E end_to_end
# Verbose, so that the list of cases skipped on Windows is shown.
ctest --test-dir build-windows --output-on-failure -V -R end_to_end
