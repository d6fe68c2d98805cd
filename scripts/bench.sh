#!/usr/bin/env bash
# Builds the benchmarks in the Release build (tests off; the same build
# scripts/run.sh uses) and runs each one. Arguments go to every benchmark,
# e.g. --benchmark_filter=BM_Batch.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
source scripts/builds.sh
configure_release -DENGINE_BENCHMARKS=ON
cmake --build build/release -j"$JOBS"
for b in build/release/bench/*/bench_*; do
  echo "== $b"
  "$b" "$@"
done
