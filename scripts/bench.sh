#!/usr/bin/env bash
# Builds the benchmarks in a Release build (tests off) and runs each one.
# Arguments go to every benchmark, e.g. --benchmark_filter=BM_Batch.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
JOBS=${JOBS:-$(nproc)}
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DENGINE_TESTS=OFF -DENGINE_BENCHMARKS=ON >/dev/null
cmake --build build/bench -j"$JOBS"
for b in build/bench/bench/*/bench_*; do
  echo "== $b"
  "$b" "$@"
done
