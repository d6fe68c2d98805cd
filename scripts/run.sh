#!/usr/bin/env bash
# Builds the engine and runs the game on its own sample data: without a
# display 1200 ticks headless (long enough for the sounds to reach the wave
# file), playing the first level by the scripted aim and launch of
# data/game/play-level1.events (won, then the second level starts) from
# fresh saves, capturing frames 1, 50 (aiming), 100 (the flyer in flight
# over the aiming path), 134 (a block breaking), 200 (the level won) and
# 420 (the second level); with a display in a 1024 x 768 window until it is
# closed. JOBS sets the compile jobs.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
source scripts/builds.sh
configure_release
cmake --build build/release -j"$JOBS"
mkdir -p build/out/saves
out="$PWD/build/out"
# Without a sound card the program runs silent; point OpenAL at its wave
# writer instead, which records what the program plays.
if ! compgen -G "/dev/snd/pcmC*p" >/dev/null; then
  cat >"$out/alsoft.conf" <<CONF
[general]
drivers = wave
frequency = 44100
channels = stereo
sample-type = int16
[wave]
file = $out/game-audio.wav
CONF
  export ALSOFT_DRIVERS=wave ALSOFT_CONF="$out/alsoft.conf"
  echo "run: no sound card; sound goes to $out/game-audio.wav"
fi
# The frames this run writes are those newer than this mark.
mark="$out/.run-start"
: >"$mark"
status=0
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  build/release/tools/game/game --data "$PWD/build/release/bundle" --save-dir "$out/saves" --out "$out" "$@" || status=$?
else
  # The scripted play starts from the first level: fresh saves.
  rm -rf "$out/saves" && mkdir -p "$out/saves"
  build/release/tools/game/game --headless --frames 1200 --screenshot 1,50,100,134,200,420 \
    --events data/game/play-level1.events \
    --data "$PWD/build/release/bundle" --save-dir "$out/saves" --out "$out" "$@" || status=$?
fi
frames=$(find "$out" -maxdepth 1 -name 'frame-*.png' -newer "$mark" | sort)
rm -f "$mark"
if [ -n "$frames" ]; then
  echo "Frames:"
  echo "$frames" | sed 's/^/  /'
fi
echo "Saves: $out/saves"
exit "$status"
