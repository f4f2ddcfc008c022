#!/usr/bin/env bash
# Runs the fuzz targets (built by `cmake --preset fuzz && cmake --build --preset fuzz`), each for
# SECONDS on a copy of its seed corpus: the message interpreter (tests/fuzz/corpus) and the cycle
# journal reader (tests/fuzz/corpus_journal). Fails when a fuzzer finds a crash or a broken
# invariant; the input that did it is left in build/fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
mkdir -p build/fuzz/artifacts
for pair in interpreter:corpus journal:corpus_journal; do
  target=build/fuzz/tests/fuzz/fuzz_${pair%%:*}
  corpus=tests/fuzz/${pair#*:}
  if [ ! -x "$target" ]; then
    echo "run-fuzz: $target is not built (cmake --preset fuzz && cmake --build --preset fuzz)" >&2
    exit 1
  fi
  work=$(mktemp -d)
  cp "$corpus"/* "$work"/
  "$target" -max_total_time="$seconds" -max_len=8192 -print_final_stats=1 \
    -artifact_prefix=build/fuzz/artifacts/ "$work" || { rm -rf "$work"; exit 1; }
  rm -rf "$work"
done
