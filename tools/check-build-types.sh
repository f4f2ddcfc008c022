#!/usr/bin/env bash
# Builds the native program parts the standard way (plain cmake, no preset) for each compiler and
# build type given, warnings as errors, and runs the unit tests of each build.
#   tools/check-build-types.sh                      # g++ and clang x Debug, Release, RelWithDebInfo, MinSizeRel
#   tools/check-build-types.sh "g++:Release clang++:Release"
set -euo pipefail
cd "$(dirname "$0")/.."
combos=${1:-"g++:Debug g++:Release g++:RelWithDebInfo g++:MinSizeRel clang++:Debug clang++:Release clang++:RelWithDebInfo clang++:MinSizeRel"}
jobs=${ZAVIZE_JOBS:-$(nproc)}
for combo in $combos; do
  cxx=${combo%%:*}
  type=${combo##*:}
  cc=gcc
  [ "$cxx" = clang++ ] && cc=clang
  dir=build/standard-$cc-$type
  echo "--- $cxx $type ($dir)"
  CC=$cc CXX=$cxx cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE="$type" -DZAVIZE_BENCH=OFF >/dev/null
  cmake --build "$dir" -j "$jobs" >"$dir.log" 2>&1 || { tail -30 "$dir.log"; echo "FAILED: $cxx $type" >&2; exit 1; }
  "$dir/tests/unit_tests" --gtest_brief=1 | tail -1
done
