#!/usr/bin/env bash
# Everything from a fresh Debian 12 machine: installs what is missing, builds every preset and
# runs every test (native, sanitizers, under Wine, end-to-end under Xvfb), then a bounded fuzz run.
set -euo pipefail
cd "$(dirname "$0")/.."

"$(dirname "$0")/setup.sh"

jobs=${ZAVIZE_JOBS:-$(nproc)}
step() { printf '\n=== %s ===\n' "$*"; }

step "format"
tools/check-format.sh

for preset in native asan tsan win64; do
  step "configure and build: $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done
# Wine runs no 32-bit program on these machines: the i686 build compiles the program and all its
# tests with their compile-time checks of sizes and layouts, and is not run.
step "build: win32 (32-bit program and tests, compiled only)"
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$jobs"

step "standard builds: plain cmake, g++ and clang, Release"
tools/check-build-types.sh "g++:Release clang++:Release"

for preset in native asan tsan win64; do
  step "tests: $preset"
  ctest --preset "$preset"
done

step "release: installer and zips, tested under Wine"
tools/make-release.sh
tests/release/test-release.sh

if [ -f tests/fuzz/CMakeLists.txt ]; then
  step "fuzz (bounded)"
  cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz -j "$jobs" --target fuzz_interpreter fuzz_config fuzz_statistics fuzz_parameter_set fuzz_journal fuzz_mqtt
  tools/run-fuzz.sh "${ZAVIZE_FUZZ_SECONDS:-60}"
fi
step "all tests passed"
