#!/usr/bin/env bash
# Builds the engine and runs the game on its own sample data: without a
# display 1200 ticks headless (20 s of the game's time, all of it in the
# wave file build/out/game-audio.wav), playing the first level by the
# scripted aim and launch of data/game/play-level1.events (won, then the
# second level starts) from fresh saves of its own (build/out/scripted-saves,
# made afresh each run), capturing frames 1, 50 (aiming), 100 (the flyer in
# flight over the aiming path), 134 (a block breaking), 200 (the level won)
# and 420 (the second level); with a display in a 1024 x 768 window until it
# is closed, on the player's own saves (the game's default save folder).
# JOBS sets the compile jobs.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
source scripts/builds.sh
configure_release
cmake --build build/release -j"$JOBS"
out="$PWD/build/out"
mkdir -p "$out"
# The frames this run writes are those newer than this mark.
mark="$out/.run-start"
: >"$mark"
status=0
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
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
  build/release/tools/game/game --data "$PWD/build/release/bundle" --out "$out" "$@" || status=$?
  saves="${XDG_DATA_HOME:-$HOME/.local/share}/lantern-drift"
else
  # The scripted play starts from the first level: fresh saves of its own,
  # never the player's. The sound is mixed on the game's clock.
  saves="$out/scripted-saves"
  rm -rf "$saves" && mkdir -p "$saves"
  build/release/tools/game/game --headless --frames 1200 --screenshot 1,50,100,134,200,420 \
    --events data/game/play-level1.events --sound "$out/game-audio.wav" \
    --data "$PWD/build/release/bundle" --save-dir "$saves" --out "$out" "$@" || status=$?
  echo "Sound: $out/game-audio.wav"
fi
frames=$(find "$out" -maxdepth 1 -name 'frame-*.png' -newer "$mark" | sort)
rm -f "$mark"
if [ -n "$frames" ]; then
  echo "Frames:"
  echo "$frames" | sed 's/^/  /'
fi
echo "Saves: $saves"
exit "$status"
