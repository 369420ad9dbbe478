#!/bin/sh
# Checks what users install and copy:
#  - the Debian package installs into a scratch root, and the installed tool
#    converts both example palettes to their array files byte for byte;
#  - cmake --install into a scratch prefix gives bin/tonemill and the man page;
#  - the man page renders with man -l without a warning;
#  - the Windows zip (built when the MinGW-w64 cross compiler is present) holds
#    tonemill.exe, the README and the examples, and converts under Wine;
#  - the README's Make rule and CMake snippet, taken from the README as they
#    stand, build a program, make the array again when the palette changes and
#    fail on a rejected palette.
# Exits non-zero on any failure.
set -eu
cd "$(dirname "$0")/.."
top=$(pwd)

./scripts/install-deps.sh man-db make gcc unzip dpkg-dev
kinds=deb
command -v x86_64-w64-mingw32-g++-posix >/dev/null 2>&1 && kinds="$kinds zip"
if [ -f cmake/aarch64-linux-gnu.cmake ] && command -v aarch64-linux-gnu-g++ >/dev/null 2>&1 &&
    command -v qemu-aarch64 >/dev/null 2>&1; then
    kinds="$kinds arm64"
fi
./scripts/package.sh $kinds

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

# convert <tool> <palette> <dir> [launcher]: converts a copy of the palette in
# <dir>; checks the closing line, an empty standard error and that the array
# file matches the one in examples/.
convert() {
    tool=$1 palette=$2 dir=$3 launcher=${4:-}
    name=$(basename "$palette" .pal)
    mkdir -p "$dir"
    cp "$palette" "$dir/"
    (cd "$dir" && $launcher "$tool" "$name.pal" >stdout 2>stderr) || { fail "$tool $name.pal: exit status $?"; return; }
    last=$(tail -n 1 "$dir/stdout" | tr -d '\r')
    [ "$last" = "TONEMILL conversion was successful" ] || fail "$tool $name.pal ended with: $last"
    if [ -s "$dir/stderr" ]; then fail "$tool $name.pal wrote to standard error: $(cat "$dir/stderr")"; fi
    if cmp -s "$dir/$name.yuv" "examples/$name.yuv"; then
        pass "$tool converts $name.pal"
    else
        fail "$tool: $dir/$name.yuv differs from examples/$name.yuv"
    fi
}

echo "=== Debian package"
deb=$(ls build-packages/tonemill_*_"$(dpkg --print-architecture)".deb)
contents=$(dpkg-deb --contents "$deb")
for path in ./usr/bin/tonemill ./usr/share/man/man1/tonemill.1; do
    echo "$contents" | grep -q " $path\$" || fail "$deb does not hold $path"
done
# A dynamically linked tool must name the libraries' packages.
if readelf -d build-package/tonemill | grep -q '(NEEDED)'; then
    [ -n "$(dpkg-deb --field "$deb" Depends)" ] || fail "$deb declares no dependencies"
fi
# A real dpkg install into an empty root: it checks the control data as well.
# The root's own database is empty, so the libraries it depends on are not there.
root=$scratch/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status"
dpkg --root="$root" --force-depends --force-not-root --force-script-chrootless --log=/dev/null \
    -i "$deb" >"$scratch/dpkg.log" 2>&1 || { cat "$scratch/dpkg.log"; fail "dpkg could not install $deb"; }
dpkg --root="$root" -s tonemill 2>/dev/null | grep -q '^Status: install ok installed' ||
    fail "dpkg does not list tonemill as installed in the scratch root"
installed=$root/usr/bin/tonemill
convert "$installed" examples/dusk.pal "$scratch/deb-run"
convert "$installed" examples/harbour.pal "$scratch/deb-run"

echo "=== cmake --install into a scratch prefix"
prefix=$scratch/prefix
cmake --install build-package --prefix "$prefix" >/dev/null
[ -f "$prefix/share/man/man1/tonemill.1" ] || fail "no share/man/man1/tonemill.1 under the install prefix"
convert "$prefix/bin/tonemill" examples/dusk.pal "$scratch/prefix-run"

echo "=== man page"
failures_before=$failures
MANWIDTH=80 MANPAGER=cat LC_ALL=C.UTF-8 man --warnings -l "$root/usr/share/man/man1/tonemill.1" \
    >"$scratch/man.txt" 2>"$scratch/man.err" || fail "man -l failed"
if [ -s "$scratch/man.err" ]; then fail "man -l warns: $(cat "$scratch/man.err")"; fi
for heading in NAME SYNOPSIS DESCRIPTION "ARRAY FILE" MESSAGES "EXIT STATUS" EXAMPLES FILES; do
    grep -q "^$heading\$" "$scratch/man.txt" || fail "the rendered man page has no $heading section"
done
if [ "$failures" -eq "$failures_before" ]; then pass "man -l renders the installed man page"; fi

case " $kinds " in *" arm64 "*)
    echo "=== Debian package for arm64"
    arm_deb=$(ls build-packages/tonemill_*_arm64.deb)
    [ "$(dpkg-deb --field "$arm_deb" Architecture)" = arm64 ] || fail "$arm_deb is not marked arm64"
    dpkg-deb -x "$arm_deb" "$scratch/arm-root"
    convert "$scratch/arm-root/usr/bin/tonemill" examples/harbour.pal "$scratch/arm-run" qemu-aarch64
    ;;
esac

if case " $kinds " in *" zip "*) true ;; *) false ;; esac; then
    echo "=== Windows zip"
    zip=$(ls build-packages/tonemill-*-win64.zip)
    listing=$(unzip -Z1 "$zip")
    for path in tonemill.exe README.md examples/dusk.pal examples/harbour.yuv; do
        echo "$listing" | grep -qx "$path" || fail "$zip does not hold $path at its top"
    done
    unzip -q "$zip" -d "$scratch/zip"
    [ "$(head -c 2 "$scratch/zip/tonemill.exe")" = MZ ] || fail "tonemill.exe in $zip is not a Windows program"
    cmp -s "$scratch/zip/README.md" README.md || fail "the README in $zip is not README.md"
    # The toolchain file writes a Wine launcher into the build directory when
    # Wine is installed.
    if [ -x build-package-windows/wine-run ]; then
        convert "$scratch/zip/tonemill.exe" examples/dusk.pal "$scratch/zip-run" "$top/build-package-windows/wine-run"
    else
        echo "note: Wine is not installed; tonemill.exe from the zip was not run"
    fi
else
    echo "note: no MinGW-w64 cross compiler; the Windows zip was not built"
fi
case " $kinds " in *" arm64 "*) ;; *) echo "note: no aarch64 cross-build; the arm64 package was not built" ;; esac

# readme_block <language>: the first fenced block of that language in the
# README's build integration section, exactly as it stands.
readme_block() {
    python3 - "$1" <<'EOF'
import re, sys
text = open("README.md", encoding="utf-8").read()
section = text.split("\n## Build integration\n", 1)[1].split("\n## ", 1)[0]
match = re.search(r"^```" + re.escape(sys.argv[1]) + r"\n(.*?)^```$", section, re.S | re.M)
if not match:
    sys.exit("README.md: no " + sys.argv[1] + " block under Build integration")
sys.stdout.write(match.group(1))
EOF
}

# Makes the expected array file of harbour.pal saved as dusk.pal: the same
# entries under the array name dusk_pal.
sed 's/^const u16 harbour_pal\[\]/const u16 dusk_pal[]/' examples/harbour.yuv >"$scratch/harbour-as-dusk.yuv"
printf 'JASC-PAL\r\n0100\r\n15\r\n0 0 0\r\n' >"$scratch/rejected.pal"
count_rejected="gfx/dusk.pal: Only 16 or 256 color palettes are supported"

# integration <name> <project dir> <array file> <build command...>: the
# project holds main.c and gfx/dusk.pal; builds it three times over.
integration() {
    name=$1 project=$2 array=$3
    shift 3
    failures_before=$failures
    log=$scratch/$name.log
    if ! (cd "$project" && "$@") >"$log" 2>&1; then
        cat "$log"; fail "$name: the first build failed"; return
    fi
    cmp -s "$array" examples/dusk.yuv || fail "$name: the array file differs from examples/dusk.yuv"
    [ "$("$game")" = "16 entries, first 0x0088" ] || fail "$name: the program prints $("$game")"

    # Make compares whole seconds on some file systems.
    sleep 1
    cp examples/harbour.pal "$project/gfx/dusk.pal"
    if ! (cd "$project" && "$@") >"$log" 2>&1; then
        cat "$log"; fail "$name: the build after the palette changed failed"; return
    fi
    cmp -s "$array" "$scratch/harbour-as-dusk.yuv" || fail "$name: the array file was not made again"
    [ "$("$game")" = "256 entries, first 0x0088" ] || fail "$name: the program was not rebuilt: $("$game")"

    sleep 1
    cp "$scratch/rejected.pal" "$project/gfx/dusk.pal"
    for attempt in first second; do
        if (cd "$project" && "$@") >"$log" 2>&1; then
            fail "$name: the $attempt build with a rejected palette succeeded"
        fi
        # CMake wraps long messages: compare with the line breaks made blanks.
        tr -s '\n ' '  ' <"$log" | grep -q "$count_rejected" ||
            { cat "$log"; fail "$name: the $attempt failed build does not say why"; }
        if [ -e "$array" ]; then fail "$name: the empty array file was left behind"; fi
    done
    if [ "$failures" -eq "$failures_before" ]; then
        pass "$name: builds, makes the array again when the palette changes, fails on a rejected palette"
    fi
}

echo "=== README: Make rule"
project=$scratch/make
mkdir -p "$project/gfx"
readme_block make >"$project/Makefile"
readme_block c >"$project/main.c"
cp examples/dusk.pal "$project/gfx/"
game=$project/game
integration make "$project" "$project/gfx/dusk.yuv" make "TONEMILL=$installed"
if (cd "$project" && make -q game 2>/dev/null); then fail "make: a rejected palette leaves the program up to date"; fi

echo "=== README: CMake snippet"
project=$scratch/cmake
mkdir -p "$project/gfx"
readme_block cmake >"$project/CMakeLists.txt"
readme_block c >"$project/main.c"
cp examples/dusk.pal "$project/gfx/"
game=$project/build/game
if cmake -S "$project" -B "$project/build" -G Ninja "-DTONEMILL=$installed" >"$scratch/cmake-configure.log" 2>&1; then
    integration cmake "$project" "$project/build/palettes/dusk.yuv" cmake --build build
else
    cat "$scratch/cmake-configure.log"; fail "cmake: the README's CMakeLists.txt does not configure"
fi

if [ "$failures" -ne 0 ]; then
    echo "test-package: $failures failure(s)" >&2
    exit 1
fi
echo "test-package: all checks passed"
