#!/usr/bin/env bash
# Closing the window while cycles end never hangs (the reader may be waiting for the UI thread's
# snapshot at that moment): 20 starts and closes against a unit that ends a cycle every ~0.1 s.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
rm -rf "$WORK"; mkdir -p "$WORK/run"
ensure_prefix
start_display 1024 768
start_unit --speed 40 --idle-ms 0 --machining-ms 300
map_port COM1 "$WORK/com1"
for i in $(seq 20); do
  start_program "$WORK/run"
  sleep "0.$((RANDOM % 9 + 1))"
  stop_program
  log "close $i: ok"
done
log "PASS"
