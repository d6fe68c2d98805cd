#!/usr/bin/env bash
# Checks the layering of the folders and the README's map of them, builds
# the engine with clang's AddressSanitizer and UndefinedBehaviorSanitizer and
# runs every test; builds the benchmarks in gcc's Release build (the one
# scripts/run.sh uses) and runs each once briefly, so a benchmark that breaks
# fails too.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
python3 scripts/check-layering.py
python3 scripts/check-folder-map.py
source scripts/builds.sh

configure_build build/test clang-14 clang++-14 -DCMAKE_BUILD_TYPE=Debug -DENGINE_SANITIZE=ON -DENGINE_TESTS=ON -DENGINE_BENCHMARKS=OFF
cmake --build build/test -j"$JOBS"

# The benchmarks run in the Release build: sanitized, they trip inside the
# GL driver.
configure_release -DENGINE_BENCHMARKS=ON
cmake --build build/release -j"$JOBS"

# The mixer's two-thread stress test under ThreadSanitizer, in a small build
# of its own (lang, io and the mixer only): a data race fails the run.
configure_build build/tsan gcc g++ -DCMAKE_BUILD_TYPE=Debug -DENGINE_TSAN=ON -DENGINE_TESTS=ON -DENGINE_BENCHMARKS=OFF
cmake --build build/tsan -j"$JOBS" --target test_audio_stress
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" build/tsan/tests/audio/test_audio_stress
# The rating prompt's worker, its callers and the main thread, in the same
# build (which then also holds the platform services and HTTP beneath it).
cmake --build build/tsan -j"$JOBS" --target test_rateprompt
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" build/tsan/tests/rateprompt/test_rateprompt

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}"
# The leak check does not scan thread-local storage: the GL driver's dynamic
# TLS can hand it a stale range that crashes the check at exit (it depends on
# the process's memory layout). Leaks that system libraries keep only
# through their TLS are suppressed by name in tests/lsan.supp.
export LSAN_OPTIONS="${LSAN_OPTIONS:-use_tls=0:suppressions=$PWD/tests/lsan.supp:print_suppressions=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
# Stacks are named by clang's own symbolizer (the suppressions match names).
if [ -z "${ASAN_SYMBOLIZER_PATH:-}" ] && [ -x /usr/lib/llvm-14/bin/llvm-symbolizer ]; then
  export ASAN_SYMBOLIZER_PATH=/usr/lib/llvm-14/bin/llvm-symbolizer
fi
# The web pages' accessibility bridge would keep D-Bus connections the leak
# check reports; the tests need no accessibility.
export NO_AT_BRIDGE=1
(cd build/test && ctest -j"$JOBS" --output-on-failure --timeout 300)

python3 scripts/bench-smoke.py build/release/bench
