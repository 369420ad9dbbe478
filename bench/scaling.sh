#!/bin/sh
# How the run's time and peak memory grow with hostile palettes. Each palette
# holds 16 colours; its first colour line is one long line of SIZE bytes:
#   tail    "255 128 0 " then x bytes: the fields are short, the rest is text
#   digits  zeros then "255 128 0": the red field itself is SIZE digits long
#   blanks  "255 128 0" then blanks, which trimming removes
# and "extra" palettes carry MILLIONS of colour lines after the 16 that are
# read. Times and peak resident memory come from /usr/bin/time -v.
#
#   bench/scaling.sh [BUILD_DIR] [SIZES_MB] [EXTRA_MILLIONS]
#   bench/scaling.sh build-perf "1 10 100 1000" "1 10 100"   (an empty list skips that part)
#
# The palettes are written to a fresh directory under ${TMPDIR:-/tmp} (about
# 1 GB at a time for the largest size) and removed after each run.
set -eu
build=$(cd "${1:-build-perf}" && pwd)
sizes=${2-1 10 100 1000}
extras=${3-1 10 100}
tool="$build/tonemill"
[ -x "$tool" ] || { echo "missing $tool" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "needs GNU time (Debian: time)" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/tonemill-scaling.XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 1' INT TERM HUP PIPE
cd "$work"

header() { printf 'JASC-PAL\r\n0100\r\n16\r\n'; }
other_colours() {
    i=1
    while [ $i -lt 16 ]; do
        printf '%d %d %d\r\n' $i $i $i
        i=$((i + 1))
    done
}
repeat_byte() { head -c "$2" /dev/zero | tr '\0' "$1"; }

make_palette() {  # kind size
    {
        header
        case $1 in
            tail) printf '255 128 0 '; repeat_byte x "$2" ;;
            digits) repeat_byte 0 "$2"; printf '255 128 0' ;;
            blanks) printf '255 128 0'; repeat_byte ' ' "$2" ;;
            extra) printf '255 128 0' ;;
        esac
        printf '\r\n'
        other_colours
        if [ "$1" = extra ]; then yes '7 7 7' | head -n "$2"; fi
    } > palette.pal
}

# Prints: kind, amount, palette bytes, elapsed seconds, peak resident kB.
measure() {  # kind amount size
    make_palette "$1" "$3"
    sync
    /usr/bin/time -v -o time.txt "$tool" palette.pal > out.txt
    tail -n 1 out.txt | grep -q 'conversion was successful' || { echo "run failed: $1 $2" >&2; exit 1; }
    bytes=$(stat -c %s palette.pal)
    elapsed=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' time.txt)
    peak=$(sed -n 's/.*Maximum resident set size (kbytes): //p' time.txt)
    user=$(sed -n 's/.*User time (seconds): //p' time.txt)
    system=$(sed -n 's/.*System time (seconds): //p' time.txt)
    rm -f palette.pal palette.yuv out.txt time.txt
    printf '%-7s %10s %14s %10s %8s %8s %12s\n' "$1" "$2" "$bytes" "$elapsed" "$user" "$system" "$peak"
}

printf '%-7s %10s %14s %10s %8s %8s %12s\n' kind amount "palette bytes" "wall" "user s" "system s" "peak kB"
for kind in tail digits blanks; do
    for mb in $sizes; do measure "$kind" "${mb}MB" $((mb * 1000000)); done
done
for millions in $extras; do measure extra "${millions}M lines" $((millions * 1000000)); done
# The floor of peak memory: the same run on a 16-colour palette of short lines.
measure extra "0 lines" 0
