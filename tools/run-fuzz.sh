#!/usr/bin/env bash
# Runs every fuzz target (built by `cmake --preset fuzz && cmake --build --preset fuzz`) on a copy
# of its seed corpus (tests/fuzz/corpus/<target>), for SECONDS in all (default 60): the interpreter
# gets two ninths, the four file readers (configuration, statistics, parameter set, cycle
# journal), the plant link's packet reader and its session, and kvdplant's intake one ninth each. Fails when a fuzzer finds a crash
# or a broken rule; the input that did it is
# left in build/fuzz/artifacts/<target>-*.
# A single target runs alone with: tools/run-fuzz.sh SECONDS TARGET (interpreter, config,
# statistics, parameter_set, journal, mqtt, mqtt_session, plant_intake).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
only=${2:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p build/fuzz/artifacts

run() {  # target, seconds, max_len
  local target=build/fuzz/tests/fuzz/fuzz_$1
  if [ ! -x "$target" ]; then
    echo "run-fuzz: $target is not built (cmake --preset fuzz && cmake --build --preset fuzz)" >&2
    exit 1
  fi
  mkdir -p "$work/$1"
  cp tests/fuzz/corpus/"$1"/* "$work/$1"/
  echo "--- fuzz_$1: $2 s"
  set +e
  # Absolute paths: the file readers' targets work in a folder of their own.
  "$target" -max_total_time="$2" -max_len="$3" -print_final_stats=1 \
    -artifact_prefix="$PWD/build/fuzz/artifacts/$1-" "$work/$1" 2>&1 |
    grep -E '^(#[0-9]+[[:space:]]+DONE|stat::number_of_executed_units|stat::peak_rss|==|SUMMARY|broken|model invariant|journal reader|packet reader|session|intake)'
  # grep hides the fuzzer's chatter; the fuzzer's own exit status decides (taken at once, before
  # anything else runs and resets it).
  local status=("${PIPESTATUS[@]}")
  set -e
  if [ "${status[0]}" -ne 0 ]; then
    echo "run-fuzz: fuzz_$1 found a fault (exit ${status[0]})" >&2
    return 1
  fi
}

share=$(( seconds / 9 )); [ "$share" -ge 1 ] || share=1
if [ -n "$only" ]; then
  run "$only" "$seconds" 8192
else
  run interpreter $(( 2 * share )) 8192
  run config "$share" 1024
  run statistics "$share" 4096
  run parameter_set "$share" 4096
  run journal "$share" 8192
  run mqtt "$share" 8192
  run mqtt_session "$share" 8192
  run plant_intake "$share" 8192
fi
echo "run-fuzz: no findings"
