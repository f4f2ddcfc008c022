#!/usr/bin/env bash
# Everything from a fresh Debian 12 machine: installs what is missing, builds every preset and
# runs every test (native, sanitizers, under Wine, end-to-end under Xvfb), then a bounded fuzz run.
set -euo pipefail
cd "$(dirname "$0")/.."

"$(dirname "$0")/setup.sh"

jobs=${ZAVIZE_JOBS:-$(nproc)}
started=$(date +%s)
# Each step with the minutes and seconds since the start: where the time goes.
step() {
  local t=$(($(date +%s) - started))
  printf '\n=== %s [%d:%02d] ===\n' "$*" $((t / 60)) $((t % 60))
}

step "format"
tools/check-format.sh

for preset in native asan tsan win64; do
  step "configure and build: $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done
# Wine runs no 32-bit program on these machines: the i686 build compiles what the 32-bit zip
# ships, the program and kvdstat, with the compile-time checks of the records' sizes and layouts
# (they stand in the layers' headers, not in the tests, which would only be compiled here).
step "build: win32 (the 32-bit program and kvdstat, compiled only)"
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$jobs" --target zavize kvdstat

# g++ Release is the native preset itself; the plain cmake path is checked with clang.
step "standard build: plain cmake, clang, Release"
tools/check-build-types.sh "clang++:Release"

for preset in native asan tsan win64; do
  step "tests: $preset"
  ctest --preset "$preset"
done

# The bounded fuzz run takes one core for its whole time; the release test mostly waits on Wine:
# they run side by side, the fuzz run's report printed after the release test.
fuzz_pid=
if [ -f tests/fuzz/CMakeLists.txt ]; then
  step "build: fuzz targets"
  cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz -j "$jobs" --target fuzz_interpreter fuzz_config fuzz_statistics fuzz_parameter_set fuzz_journal fuzz_mqtt \
    fuzz_mqtt_session fuzz_plant_intake
  step "fuzz (bounded, beside the release test)"
  tools/run-fuzz.sh "${ZAVIZE_FUZZ_SECONDS:-60}" >build/fuzz/run.log 2>&1 &
  fuzz_pid=$!
  trap 'kill "$fuzz_pid" 2>/dev/null || true' EXIT
fi

step "release: installer and zips, tested under Wine"
tools/make-release.sh
tests/release/test-release.sh

if [ -n "$fuzz_pid" ]; then
  step "fuzz: its report"
  fuzz_status=0
  wait "$fuzz_pid" || fuzz_status=$?
  trap - EXIT
  cat build/fuzz/run.log
  [ "$fuzz_status" -eq 0 ] || { echo "FAILED: the fuzz run" >&2; exit 1; }
fi
step "all tests passed"
