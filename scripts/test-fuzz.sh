#!/bin/sh
# Builds the libFuzzer targets (fuzz/) with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs each for a bounded time: first over its
# saved findings (fuzz/regressions/<target>/, every input that once crashed or
# broke a property), then fuzzing from its seed corpus. Exits non-zero on any
# finding; the input that caused it is left in build-fuzz/findings/.
#   FUZZ_SECONDS=600 ./scripts/test-fuzz.sh   # a longer run by hand
set -eu
cd "$(dirname "$0")/.."

seconds="${FUZZ_SECONDS:-20}"
build=build-fuzz

./scripts/install-deps.sh

cmake -S fuzz -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build"

mkdir -p "$build/findings"
for target in number reader conversion; do
    regressions="fuzz/regressions/$target"
    if [ -d "$regressions" ] && [ -n "$(ls -A "$regressions")" ]; then
        echo "--- $target: saved findings"
        "$build/${target}_fuzz" -runs=0 "$regressions"/* 2>&1 | tail -n 1
    fi
    # New inputs go to the build directory's corpus, so the repository's seeds
    # stay small; a later run starts from both.
    echo "--- $target: ${seconds} s"
    mkdir -p "$build/corpus/$target"
    "$build/${target}_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -dict=fuzz/palette.dict -artifact_prefix="$PWD/$build/findings/$target-" -print_final_stats=1 \
        "$build/corpus/$target" "fuzz/corpus/$target" 2>"$build/$target.log" || {
        grep -E 'ERROR|property broken|Test unit written' "$build/$target.log" || tail -n 30 "$build/$target.log"
        echo "$target: finding, see $build/$target.log and $build/findings/"
        exit 1
    }
    grep -E '^stat::(number_of_executed_units|peak_rss_mb)|^Done' "$build/$target.log"
done
echo "fuzzing found nothing"
