#!/usr/bin/env bash
# Another program holds today's journal file open without sharing (a spreadsheet showing it) for
# 20 cycles: the lines wait in memory, and once it lets go the journal holds every cycle once, in
# the order the unit played them.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
rm -rf "$WORK"; mkdir -p "$WORK/run"
ensure_prefix
start_display 1024 768
start_unit --wait-peer --cuts 1 --speed 20 --idle-ms 0 --machining-ms 300 --events "$WORK/events.txt"
map_port COM1 "$WORK/com1"
# The unit plays faster than the program stores (each cycle end writes 1.6 MB): count what the
# program has stored, from the statistics file in use.
stored() { stats index "$WORK/run/Default.\$\$\$" 1 2>/dev/null || echo 0; }
wait_stored() {
  for _ in $(seq 120); do [ "$(stored)" -ge "$1" ] && return 0; sleep 0.2; done
  fail "the program stored $(stored) cycles, not $1"
}
start_program "$WORK/run"
wait_stored 3
day=$(ls "$WORK/run/journal/"*.csv | tail -n 1)
[ -f "$day" ] || fail "no journal day file"

(exec wine "$ZAVIZE_BUILD/tests/zavize_driver.exe" hold 600 "$(winepath -w "$day" 2>/dev/null)") >"$WORK/holder.out" 2>&1 &
holder=$!
E2E_PIDS+=($holder)
for _ in $(seq 100); do grep -q held "$WORK/holder.out" 2>/dev/null && break; sleep 0.1; done
grep -q held "$WORK/holder.out" || fail "the holder did not open the day file"
from=$(stored)
wait_stored $((from + 20))
lines_while_held=$(wc -l <"$day")
kill "$holder"; wait "$holder" 2>/dev/null || true
[ "$lines_while_held" -lt $((from + 5)) ] || fail "the day file took $lines_while_held lines while held"
log "held for $(( $(stored) - from )) cycles; the file kept $lines_while_held lines meanwhile"

wait_stored $(( $(stored) + 2 ))
stop_program
# Every cycle the program stored has its line, in the order the unit played them.
python3 - "$WORK/events.txt" "$(stored)" "$WORK"/run/journal/*.csv <<'PY'
import csv, re, sys
events = [re.match(r'cycle (\d+) cut (\d+) peak (\d+) work (\d+)', l).groups() for l in open(sys.argv[1])]
events = events[:int(sys.argv[2])]
rows = [r for f in sys.argv[3:] for r in csv.DictReader(open(f, newline=''))]
assert len(rows) == len(events), (len(rows), len(events))
for (n, cut, peak, work), r in zip(events, rows):
    assert (r['cut'], r['peak'], r['work']) == (cut, peak, work), (n, r)
times = [r['time'] for r in rows]
assert times == sorted(times), "lines out of order"
print(len(rows), "journal lines: every cycle once, in order")
PY
log "PASS"
