#!/usr/bin/env bash
# What the demos need before they start: the packages, then the native build (kvdsim, kvdplant,
# kvdstat) and the win64 build (zavize.exe).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
for preset in native win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$(nproc)"
done
