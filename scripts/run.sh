#!/usr/bin/env bash
# Builds the engine and runs the program on its own sample data.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DENGINE_TESTS=OFF >/dev/null
cmake --build build/release -j"$(nproc)"
mkdir -p build/out
# Without a sound card OpenAL cannot open a device: point it at its wave
# writer, which records what the program plays.
if ! compgen -G "/dev/snd/pcmC*p" >/dev/null; then
  cat >build/out/alsoft.conf <<EOF
[general]
drivers = wave
frequency = 44100
channels = stereo
sample-type = int16
[wave]
file = $PWD/build/out/game-audio.wav
EOF
  export ALSOFT_DRIVERS=wave ALSOFT_CONF="$PWD/build/out/alsoft.conf"
  echo "run: no sound card; sound goes to build/out/game-audio.wav"
fi
ENGINE_DATA_PATH="$PWD/data" build/release/tools/render-demo/render-demo build/out
