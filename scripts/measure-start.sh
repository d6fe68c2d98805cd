#!/usr/bin/env bash
# Measures how the programs start and how much memory they hold, on the
# Release build (build/release, as scripts/run.sh or scripts/bench.sh make
# it; this script builds nothing). For the game (headless, the sample game's
# scripted play of data/game/play-level1.events from fresh saves, as
# scripts/run.sh runs it) and tools/shell-demo it prints:
#   libs     shared libraries the binary loads at start (lines of ldd)
#   peak RSS the largest resident set of --headless --frames N, in MB
#   start    the shell's start report (ENGINE_START_REPORT), each part the
#            median of 5 runs of --headless --frames 1, in ms ("-" from a
#            build without the report)
# and then which of the libraries belong to the page engine or the video
# decoder (names matching webkit|gtk|libav|libsw), or "none".
# Run from the project's root; RUNS sets the start runs (default 5), BUILD
# another build folder with the same layout (default build/release).
set -euo pipefail
cd "$(dirname "$0")/.."

build=$(realpath "${BUILD:-build/release}")
game=$build/tools/game/game
demo=$build/tools/shell-demo/shell-demo
runs=${RUNS:-5}
for b in "$game" "$demo"; do
  if [ ! -x "$b" ]; then
    echo "measure-start: $b is missing; build the Release programs first (bash scripts/run.sh)" >&2
    exit 1
  fi
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Without a sound card OpenAL writes what the game plays to a wave file, as
# in scripts/run.sh, so that its mixer runs as it does there.
if ! compgen -G "/dev/snd/pcmC*p" >/dev/null; then
  cat >"$tmp/alsoft.conf" <<CONF
[general]
drivers = wave
[wave]
file = $tmp/audio.wav
CONF
  export ALSOFT_DRIVERS=wave ALSOFT_CONF="$tmp/alsoft.conf"
fi

# run_game FRAMES [command prefix...]: one headless run of the sample game's
# scripted play from fresh saves; its output goes to $tmp/out and $tmp/err.
run_game() {
  local frames=$1
  shift
  rm -rf "$tmp/saves" && mkdir -p "$tmp/saves"
  "$@" "$game" --headless --frames "$frames" --events data/game/play-level1.events \
    --data "$build/bundle" --save-dir "$tmp/saves" --out "$tmp" >"$tmp/out" 2>"$tmp/err"
}

run_demo() {
  local frames=$1
  shift
  "$@" "$demo" --headless --frames "$frames" --out "$tmp" >"$tmp/out" 2>"$tmp/err"
}

# peak RUNNER FRAMES: the peak resident set of one run, in MB (one decimal).
peak() {
  local runner=$1 frames=$2 kb
  if [ -x /usr/bin/time ]; then
    "$runner" "$frames" /usr/bin/time -v
    kb=$(sed -n 's/^[[:space:]]*Maximum resident set size (kbytes): //p' "$tmp/err")
  else
    # Without GNU time: the process's high-water mark, polled while it
    # runs (growth in its last 20 ms can be missed).
    "$runner" "$frames" &
    local pid=$! hwm=0 v
    while kill -0 "$pid" 2>/dev/null; do
      v=$(sed -n 's/^VmHWM:[[:space:]]*\([0-9]*\) kB/\1/p' "/proc/$pid/status" 2>/dev/null || true)
      [ -n "$v" ] && [ "$v" -gt "$hwm" ] && hwm=$v
      sleep 0.02
    done
    wait "$pid"
    kb=$hwm
  fi
  awk -v kb="$kb" 'BEGIN { printf "%.1f", kb / 1024 }'
}

# start RUNNER: the median of each part of the start report over $runs runs
# ("-" when the build prints none).
start() {
  local runner=$1 i
  : >"$tmp/reports"
  for ((i = 0; i < runs; ++i)); do
    ENGINE_START_REPORT=1 "$runner" 1
    grep '^start:' "$tmp/err" >>"$tmp/reports" || true
  done
  if [ ! -s "$tmp/reports" ]; then
    echo "-"
    return
  fi
  # Lines of "start: before-main 1.2 ms, gl-context 3.4 ms, ...": the
  # median of each named part, in the order of the report.
  awk '
    {
      line = $0
      sub(/^start: */, "", line)
      n = split(line, parts, /, */)
      for (i = 1; i <= n; ++i) {
        split(parts[i], f, / +/)
        if (NR == 1) names[i] = f[1]
        values[i, NR] = f[2]
      }
      count = n
    }
    END {
      out = ""
      for (i = 1; i <= count; ++i) {
        m = 0
        for (r = 1; r <= NR; ++r) v[++m] = values[i, r] + 0
        for (a = 1; a <= m; ++a) for (b = a + 1; b <= m; ++b) if (v[b] < v[a]) { t = v[a]; v[a] = v[b]; v[b] = t }
        med = (m % 2) ? v[(m + 1) / 2] : (v[m / 2] + v[m / 2 + 1]) / 2
        out = out sprintf("%s%s %.1f", (i > 1 ? ", " : ""), names[i], med)
      }
      print out " (ms)"
    }' "$tmp/reports"
}

libs() {
  ldd "$1" | wc -l
}

heavy() {
  local found
  found=$(ldd "$1" | awk '{ print $1 }' | grep -E 'webkit|gtk|libav|libsw' | tr '\n' ' ' || true)
  echo "${found:-none}"
}

printf '%-10s %5s  %-12s %-13s %-s\n' program libs "peak RSS 300" "peak RSS 1200" start
for p in game shell-demo; do
  if [ "$p" = game ]; then
    bin=$game runner=run_game long="$(peak run_game 1200) MB"
  else
    bin=$demo runner=run_demo long="-"
  fi
  printf '%-10s %5s  %-12s %-13s %s\n' "$p" "$(libs "$bin")" "$(peak "$runner" 300) MB" "$long" "$(start "$runner")"
done
echo
for p in game shell-demo; do
  bin=$game
  [ "$p" = shell-demo ] && bin=$demo
  echo "$p: page engine / video decoder libraries at start: $(heavy "$bin")"
done
