#!/usr/bin/env bash
# Builds the engine and runs the programs on their own sample data: the
# render demo (one PNG per rendering back end) and the shell demo, headless
# for 120 ticks with a scripted drag, capturing ticks 1, 60 and 120.
# Extra arguments go to the shell demo (see the README for its flags).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DENGINE_TESTS=OFF >/dev/null
cmake --build build/release -j"$(nproc)"
mkdir -p build/out
ENGINE_DATA_PATH="$PWD/data" build/release/tools/render-demo/render-demo build/out
build/release/tools/shell-demo/shell-demo --headless --frames 120 \
  --events tools/shell-demo/drag.events --screenshot 1,60,120 --out build/out "$@"
echo "Shell demo frames: $PWD/build/out/frame-0001.png, frame-0060.png, frame-0120.png"
echo "With a display, build/release/tools/shell-demo/shell-demo (without --headless) opens a window."
