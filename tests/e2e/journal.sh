#!/usr/bin/env bash
# The cycle journal end to end: the unit plays a tool that gets blunt; the journal beside
# Default.$$$ holds one line per cycle with the unit's peaks, work values and alarms; kvdstat.exe
# (under Wine too) finds every cycle the unit alarmed with its own limits and gives a reason for
# each further one, and forecasts from the rising peaks when the tool reaches a Blunt limit. The
# monitor joins the unit halfway through a cycle: that cycle has no line.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
rm -rf "$WORK"; mkdir -p "$WORK/run"
ensure_prefix
start_display 1024 768
cycles=22
step=1
start_unit --wait-peer --cuts 1 --cycles "$cycles" --speed 5 --scenario "blunt:2:$step" --scenario joined --events "$WORK/events.txt"
map_port COM1 "$WORK/com1"
start_program "$WORK/run"
wait_cycles "$WORK/events.txt" "$cycles"
# One line per cycle after each day file's header row.
journal_lines() { [ "$(cat "$WORK"/run/journal/*.csv 2>/dev/null | grep -vc '^time')" -ge "$cycles" ]; }
wait_for 10 "the journal line of cycle $cycles" journal_lines
stop_program

kvdstat() { wine "$ZAVIZE_BUILD/apps/kvdstat/kvdstat.exe" "$@" | tr -d '\r'; }
journal=("$WORK"/run/journal/*.csv)
[ -f "${journal[0]}" ] || fail "no journal beside Default.\$\$\$"
log "journal: ${journal[*]}"

# 1. One line per cycle, with the entry, the alarms and the limits the unit had.
python3 - "$WORK/events.txt" "${journal[@]}" <<'PY'
import csv, re, sys
events = [re.match(r'cycle (\d+) cut (\d+) peak (\d+) work (\d+) alarms (\S+)', l).groups() for l in open(sys.argv[1])]
rows = [r for f in sys.argv[2:] for r in csv.DictReader(open(f, newline=''))]
assert len(rows) == len(events), (len(rows), len(events))
for (n, cut, peak, work, alarms), r in zip(events, rows):
    said = set() if alarms == '-' else set(alarms.split(','))
    got = {k for k in ('break', 'blunt', 'missing', 'err1') if r[k] == '1'}
    assert (r['cut'], r['peak'], r['work']) == (cut, peak, work), (n, r)
    assert got == said, (n, got, said)
    assert (r['break_limit'], r['blunt_limit'], r['missing_limit'], r['blunt_mode']) == ('50', '30', '10', 'power'), r
    assert re.fullmatch(r'\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d', r['time']), r['time']
assert any(r['blunt'] == '1' for r in rows), "the scenario raised no blunt alarm"
print(len(rows), "journal lines match the unit's cycles")
PY

# 2. whatif with the unit's own limits: every alarmed cycle is found; every other one it counts
#    says why the unit did not alarm.
kvdstat whatif --list 1000 "${journal[@]}" >"$WORK/whatif.txt"
cat "$WORK/whatif.txt"
python3 - "$WORK/whatif.txt" "${journal[@]}" <<'PY'
import csv, re, sys
text = open(sys.argv[1]).read()
rows = [r for f in sys.argv[2:] for r in csv.DictReader(open(f, newline=''))]
for kind in ('Break', 'Blunt'):
    part = text.split(kind + ' limit (')[1].split(' limit (')[0]
    listed = dict(re.findall(r'^    (\S+)\s+peak\s+\d+ work\s+\d+  (.*)$', part, re.M))
    assert 'do not cross it' not in part, kind + ": the unit alarmed in a cycle kvdstat does not count"
    for r in rows:
        if r[kind.lower()] == '1':
            assert listed.get(r['time']) == 'unit alarm', (kind, r['time'], listed.get(r['time']))
    for time, mark in listed.items():
        assert mark == 'unit alarm' or (mark.startswith('no unit alarm: ') and len(mark) > 20), (kind, time, mark)
print("whatif finds every alarmed cycle and gives a reason for the others")
PY

# 2b. A Break limit of 40 instead of 50: exactly the cycles above 40 count, none of which the unit
#     alarmed, each with the limit it really ran with as the reason.
kvdstat whatif --break 40 --list 1000 "${journal[@]}" >"$WORK/whatif40.txt"
python3 - "$WORK/whatif40.txt" "${journal[@]}" <<'PY'
import csv, re, sys
text = open(sys.argv[1]).read()
rows = [r for f in sys.argv[2:] for r in csv.DictReader(open(f, newline=''))]
part = text.split('Break limit (40): ')[1].split(' limit (')[0]
listed = dict(re.findall(r'^    (\S+)\s+peak\s+\d+ work\s+\d+  (.*)$', part, re.M))
expected = {r['time'] for r in rows if int(r['peak']) > 40}
assert expected and set(listed) == expected, (sorted(listed), sorted(expected))
assert all(m == "no unit alarm: the unit's Break limit then was 50" for m in listed.values()), listed
print(len(listed), "cycles above a Break limit of 40, each with its reason")
PY

# 3. trend on the first 12 cycles, the load rising from the second on: the drift is the
#    scenario's step, and the range it forecasts for a Blunt limit of 40 holds the cycles the
#    tool then took to reach 40.
python3 - "${journal[@]}" >"$WORK/trend-args" <<'PY'
import csv, sys
rows = [r for f in sys.argv[1:] for r in csv.DictReader(open(f, newline=''))]
seen, limit = 12, 40
reached = next(i for i, r in enumerate(rows) if i >= seen and int(r['peak']) >= limit)
print(rows[seen]['time'], seen - 2, reached - (seen - 1))
PY
read -r cutoff window actual <"$WORK/trend-args"
kvdstat trend --to "$cutoff" --window "$window" --blunt 40 "${journal[@]}" >"$WORK/trend.txt"
cat "$WORK/trend.txt"
python3 - "$WORK/trend.txt" "$step" "$actual" <<'PY'
import re, sys
text, step, actual = open(sys.argv[1]).read(), float(sys.argv[2]), int(sys.argv[3])
drift = float(re.search(r'latest drift: peak ([+-][\d.]+) % per cycle', text).group(1))
assert 0.5 * step <= drift <= 2.0 * step, drift
m = re.search(r'Blunt \(power\): limit 40 in about (\d+) cycles \((\d+) \.\. (\d+|never)', text)
assert m, text
low, high = int(m.group(2)), m.group(3)
assert low - 1 <= actual and (high == 'never' or actual <= int(high) + 1), (m.groups(), actual)
print("drift", drift, "per cycle; forecast", m.group(1), "cycles; the tool took", actual)
PY
log "PASS"
