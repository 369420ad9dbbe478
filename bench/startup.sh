#!/bin/sh
# Times the built tool converting a 256-colour palette against the floor, a
# statically linked C program that does nothing, both started the same way by
# bench/spawn_timer: interleaved rounds, standard output on /dev/null and then
# on a pipe. Prints the medians and the median ratio of tool to floor, and of
# floor_io to floor: floor_io makes only the system calls that a run cannot do
# without (the array file, one console write per line), so it shows how much
# of the gap is the file system and the console rather than the tool.
#
#   bench/startup.sh [BUILD_DIR] [ROUNDS] [STARTS_PER_ROUND]
#
# BUILD_DIR needs the benchmarks: cmake -S . -B build-perf -G Ninja
# -DCMAKE_BUILD_TYPE=Release -DTONEMILL_BENCHMARKS=ON && cmake --build build-perf
# The runs happen in a fresh directory under ${TMPDIR:-/tmp}.
set -eu
build=$(cd "${1:-build-perf}" && pwd)
rounds=${2:-30}
starts=${3:-20}
for program in tonemill bench/floor bench/floor_io bench/spawn_timer; do
    [ -x "$build/$program" ] || { echo "missing $build/$program: build with -DTONEMILL_BENCHMARKS=ON" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/tonemill-startup.XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 1' INT TERM HUP PIPE
cd "$work"
# A 256-colour palette with CR LF line ends, the size a real one has.
{
    printf 'JASC-PAL\r\n0100\r\n256\r\n'
    i=0
    while [ $i -lt 256 ]; do
        printf '%d %d %d\r\n' $i $(((i * 37) % 256)) $((255 - i))
        i=$((i + 1))
    done
} > palette.pal
"$build/tonemill" palette.pal | tail -n 1

for output in null pipe; do
    echo
    "$build/bench/spawn_timer" "$rounds" "$starts" "$output" \
        -- "$build/bench/floor" palette.pal \
        -- "$build/tonemill" palette.pal \
        -- "$build/bench/floor_io" palette.pal
done
