#!/bin/sh
# Builds the packages into build-packages/:
#   tonemill_<version>_amd64.deb   Debian package (bin/tonemill, the man page)
#   tonemill-<version>-win64.zip   tonemill.exe, README.md and the examples
#   tonemill_<version>_arm64.deb   only when asked for: the Debian package for 64-bit ARM
# Usage: scripts/package.sh [deb] [zip] [arm64]    (no argument: deb and zip)
# The zip and the arm64 package are cross-built with Debian's cross compilers,
# which are installed first when they are missing. Exits non-zero on any failure.
set -eu
cd "$(dirname "$0")/.."

kinds="${*:-deb zip}"
extra=""
case " $kinds " in *" zip "*) extra="g++-mingw-w64-x86-64-posix" ;; esac
case " $kinds " in *" arm64 "*) extra="$extra g++-aarch64-linux-gnu" ;; esac
./scripts/install-deps.sh dpkg-dev $extra

out=build-packages
mkdir -p "$out"

# Configures, builds and packs one build directory; moves the package into $out.
pack() {
    dir=$1 pattern=$2
    shift 2
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTONEMILL_TESTS=OFF "$@"
    cmake --build "$dir"
    rm -f "$dir"/$pattern "$out"/$pattern
    (cd "$dir" && cpack --config CPackConfig.cmake)
    mv "$dir"/$pattern "$out"/
}

for kind in $kinds; do
    case $kind in
        deb) pack build-package "tonemill_*_$(dpkg --print-architecture).deb" ;;
        zip) pack build-package-windows 'tonemill-*-win64.zip' -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake ;;
        arm64) pack build-package-aarch64 'tonemill_*_arm64.deb' -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake ;;
        *) echo "package.sh: unknown package kind '$kind' (deb, zip or arm64)" >&2; exit 2 ;;
    esac
done
ls -l "$out"
