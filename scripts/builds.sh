# The project's build folders, one per compiler and purpose; sourced by the
# scripts here, which run from the project's root.
#
#   build/release  gcc, Release: the programs (scripts/run.sh) and, once
#                  asked for, the benchmarks (scripts/bench.sh, scripts/test.sh)
#   build/test     clang, Debug with AddressSanitizer and
#                  UndefinedBehaviorSanitizer: the tests (scripts/test.sh)
#   build/tsan     gcc, ThreadSanitizer: two threaded test programs only
#
# Every target is built once in each of release and test, so a cold run
# compiles the tree once per compiler. JOBS (default: every core) sets the
# parallel compile jobs.

JOBS=${JOBS:-$(nproc)}

# configure_build DIR CC CXX [cmake arguments...]: configures DIR with the
# compilers CC and CXX. A folder made with other compilers starts afresh (a
# cache cannot change compilers); one made with these keeps its cache.
configure_build() {
  local dir=$1 cc=$2 cxx=$3
  shift 3
  local compilers=(-DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$cxx")
  if [ -f "$dir/CMakeCache.txt" ]; then
    local cached
    cached=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$dir/CMakeCache.txt")
    if [ "$(readlink -f "$cached")" = "$(readlink -f "$(command -v "$cxx")")" ]; then
      compilers=()
    else
      echo "build: $dir was configured with $cached; configuring it afresh with $cxx"
      rm -rf "$dir/CMakeCache.txt" "$dir/CMakeFiles"
    fi
  fi
  cmake -S . -B "$dir" -G Ninja "${compilers[@]}" "$@" >/dev/null
}

# The Release build; extra arguments (e.g. -DENGINE_BENCHMARKS=ON) go to cmake.
configure_release() {
  configure_build build/release gcc g++ -DCMAKE_BUILD_TYPE=Release -DENGINE_TESTS=OFF "$@"
}
