#!/usr/bin/env bash
# The line comes back by itself: the unit goes away while cycles run (its pty closes, as a pulled
# USB adapter's port does), the Comm lamp shows the loss, and once the unit is back on the same
# link its cycles reach Default.$$$ again without a restart. Closing the program while the port
# is gone ends it at once.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
rm -rf "$WORK"; mkdir -p "$WORK/run"
ensure_prefix
start_display 1024 768
unit_args=(--cuts 1 --speed 20 --idle-ms 0 --machining-ms 300)
start_unit "${unit_args[@]}" --events "$WORK/events1.txt"
map_port COM1 "$WORK/com1"
start_program "$WORK/run"
wait_cycles "$WORK/events1.txt" 3

wait_for 5 "the Comm lamp green while the unit plays" lamps

stop_unit
wait_for 5 "the Comm lamp to show the loss" lamps comm
before=$(stats index "$WORK/run/Default.\$\$\$" 1)
log "unit gone: Comm lamp red, $before cycles saved"

start_unit "${unit_args[@]}" --events "$WORK/events2.txt"
wait_cycles "$WORK/events2.txt" 4
saved_since_return() { after=$(stats index "$WORK/run/Default.\$\$\$" 1) && [ "$after" -ge $((before + 2)) ]; }
wait_for 10 "cycles after the return to reach Default.\$\$\$ (from $before)" saved_since_return
wait_for 5 "the Comm lamp green again" lamps
log "unit back on the same link: $before -> $after cycles saved, Comm lamp green"

stop_unit
wait_for 5 "the Comm lamp to show the second loss" lamps comm
start=$(date +%s%N)
stop_program
log "closed while the port was gone in $(( ($(date +%s%N) - start) / 1000000 )) ms"
log "PASS"
