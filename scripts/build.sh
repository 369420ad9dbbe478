#!/bin/sh
# Builds tonemill in build/ and converts the example palette there.
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DTONEMILL_TESTS=OFF
cmake --build build
mkdir -p build/example
cp examples/dusk.pal build/example/
cd build/example
../tonemill dusk.pal
echo "--- build/example/dusk.yuv:"
cat dusk.yuv
