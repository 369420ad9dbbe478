#!/bin/sh
# Builds the benchmarks in build-perf/ and runs them all: the micro-benchmarks,
# start-up against the do-nothing floor, and scaling with long lines (about
# 1 GB of scratch disk at a time under ${TMPDIR:-/tmp}). docs/performance.md
# holds the figures they gave.
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh time
cmake -S . -B build-perf -G Ninja -DCMAKE_BUILD_TYPE=Release -DTONEMILL_BENCHMARKS=ON
cmake --build build-perf
build-perf/bench/tonemill_bench
bench/startup.sh build-perf
bench/scaling.sh build-perf
