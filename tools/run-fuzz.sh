#!/usr/bin/env bash
# Runs the interpreter fuzz target (built by `cmake --preset fuzz && cmake --build --preset fuzz`)
# for SECONDS on a copy of the seed corpus. Fails when the fuzzer finds a crash or a broken
# model invariant; the input that did it is left in build/fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
target=build/fuzz/tests/fuzz/fuzz_interpreter
if [ ! -x "$target" ]; then
  echo "run-fuzz: $target is not built (cmake --preset fuzz && cmake --build --preset fuzz)" >&2
  exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp tests/fuzz/corpus/* "$work"/
mkdir -p build/fuzz/artifacts
"$target" -max_total_time="$seconds" -max_len=8192 -print_final_stats=1 \
  -artifact_prefix=build/fuzz/artifacts/ "$work"
