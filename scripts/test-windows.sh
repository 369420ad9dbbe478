#!/bin/sh
# Cross-builds tonemill.exe for 64-bit Windows in build-windows/ and runs the
# unit tests and the end-to-end cases under Wine. Installs Debian's MinGW-w64
# cross compiler and Wine first when they are missing (needs root and apt).
# Exits non-zero on any failure.
set -eu

cd "$(dirname "$0")/.."

missing=""
command -v x86_64-w64-mingw32-g++-posix >/dev/null 2>&1 || missing="$missing g++-mingw-w64-x86-64-posix"
command -v wine >/dev/null 2>&1 || missing="$missing wine64 wine"
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
