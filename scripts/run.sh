#!/usr/bin/env bash
# Builds the engine and runs the program on its own sample data.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DENGINE_TESTS=OFF >/dev/null
cmake --build build/release -j"$(nproc)"
mkdir -p build/out
ENGINE_DATA_PATH="$PWD/data" build/release/tools/render-demo/render-demo build/out
