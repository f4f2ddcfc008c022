#!/usr/bin/env bash
# After the unit has played N cycles of cut 3, Default.$$$ holds exactly those N entries for that
# cut, with the peaks and work values the unit produced; Space reaches the unit as code 205. The
# monitor starts while the unit is in the middle of a cycle (samples, 201, 201, 200 without its cut
# start): that cycle is stored nowhere, under no cut.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
rm -rf "$WORK"; mkdir -p "$WORK/run"
ensure_prefix
start_display 1024 768
cycles=6
start_unit --wait-peer --scenario joined --cuts 3 --cycles "$cycles" --speed 5 --log "$WORK/unit.log" --events "$WORK/events.txt"
map_port COM1 "$WORK/com1"
start_program "$WORK/run"
driver no-message 2 || fail "a message appeared at start"

wait_cycles "$WORK/events.txt" "$cycles"
wait_for 10 "the autosave of cycle $cycles" saved_cycles "$WORK/run/Default.\$\$\$" 3 "$cycles"

driver key 32
wait_for 5 "Space to reach the unit as code 205" logged "$WORK/unit.log" '^code 205'
log "Space reached the unit as code 205"

python3 - "$WORK/run/Default.\$\$\$" "$WORK/events.txt" <<'PY'
import re, struct, sys
block = open(sys.argv[1], 'rb').read()
events = [tuple(map(int, re.match(r'cycle (\d+) cut (\d+) peak (\d+) work (\d+)', l).groups()))
          for l in open(sys.argv[2])]
cut = 2  # cut 3 as users number it
write_index = struct.unpack_from('<16H', block, 32)
wrap = struct.unpack_from('<16H', block, 64)
assert write_index[cut] == len(events), (write_index, len(events))
assert wrap[cut] == 0
assert all(write_index[c] == 0 for c in range(16) if c != cut), write_index
for i, (_, c, peak, work) in enumerate(events):
    assert c == 3
    off = 96 + cut * 100000 + 2 * i
    got = (block[off], block[off + 1])
    assert got == (peak, work), (i, got, (peak, work))
print("entries match the unit's cycles:", [(e[2], e[3]) for e in events])
PY
stop_program
log "PASS"
