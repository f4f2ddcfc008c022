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
step "build: win32 (32-bit program)"
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$jobs"

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
  cmake --build --preset fuzz -j "$jobs" --target fuzz_interpreter
  tools/run-fuzz.sh "${ZAVIZE_FUZZ_SECONDS:-30}"
fi
step "all tests passed"
