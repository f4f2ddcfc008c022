#!/usr/bin/env bash
# The wear forecast against a tool that wears by 1 % every 12 cycles from its first cycle (Blunt
# limit 50, Blunt Count 3): Window / Show Forecast shows the forecast; the statistics file as it
# stood at a cycle well before the unit's Blunt alarm gives, through the forecast's own code
# (kvdstat trend, the program's window of 50 cycles), a range that holds the alarm's cycle; the
# caption's warning comes before the alarm. With ZAVIZE_SCREENS_OUT=FOLDER (relative: to the
# source tree) the picture of the forecast also goes there.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
rm -rf "$WORK"; mkdir -p "$WORK/run" "$WORK/at"
ensure_prefix
start_display 1024 768
cycles=220

# Every cut: Break 90, Blunt 50 (power) with Blunt Count 3, Missing 10.
python3 - "$WORK/unit.kvd" <<'PY'
import sys
rows = [('KVD-ID', '0'), ('Average', '4'), ('Po [samples]', '4'), ('Debounce', '2'), ('Range [kW]', '7.5')]
per_cut = [('Break Limit', 90), ('Blunt Limit', 50), ('Missing Limit', 10), ('Break Delay', '0.1'),
           ('Blunt Delay', '0.1'), ('Missing Delay', '5.0'), ('Blunt Mode', 0), ('Blunt Alarm', 0),
           ('Blunt Count', 3), ('Missing Count', 2), ('Tw', '0.0'), ('Ts', '2.0'), ('Ta', '0.0'),
           ('Ta on Blunt', 1), ('Work Divisor', 9), ('P1Max', 100), ('P1Min', 0), ('Cycles/Screen', 1)]
lines = ['%-13s\t%s' % r for r in rows] + ['\t' + '\t'.join(str(c) for c in range(1, 17))]
lines += ['%-13s\t%s' % (label, '\t'.join([str(v)] * 16)) for label, v in per_cut]
open(sys.argv[1], 'w', newline='\n').write('\n'.join(lines) + '\n')
PY

start_unit --wait-peer --cuts 1 --speed 8 --cycles "$cycles" --params "$WORK/unit.kvd" \
  --scenario wear:1:12 --events "$WORK/events.txt"
map_port COM1 "$WORK/com1"
export ZAVIZE_DESKTOP=forecast DESKTOP_SIZE=1024x768
start_program "$WORK/run"
driver command 32880 >/dev/null   # Window / Show Forecast

# Every 10 cycles a copy of the statistics file; the caption at each poll.
warned=0 next=10
: >"$WORK/captions.txt"
for _ in $(seq 1500); do
  n=$(wc -l <"$WORK/events.txt" 2>/dev/null || echo 0)
  if [ "$warned" = 0 ] && driver caption | grep -q 'Change tool within'; then
    warned=$n
    log "the warning appeared after cycle $n: $(driver caption)"
    screenshot "$WORK/forecast.png"   # the display and the caption as the warning comes
  fi
  if [ "$n" -ge "$next" ]; then
    cp "$WORK/run/Default.\$\$\$" "$WORK/at/$n.\$\$\$" 2>/dev/null || true
    next=$((n + 10))
  fi
  grep -q ' alarms .*blunt' "$WORK/events.txt" 2>/dev/null && [ "$n" -ge $((cycles / 2)) ] && break
  sleep 0.2
done
alarm=$(grep -n ' alarms .*blunt' "$WORK/events.txt" | head -1 | cut -d: -f1)
[ -n "$alarm" ] || fail "the unit raised no Blunt alarm"
log "the unit's first Blunt alarm: cycle $alarm"
[ "$warned" -gt 0 ] || fail "no warning in the caption"
[ "$warned" -lt "$alarm" ] || fail "the warning (cycle $warned) came after the alarm (cycle $alarm)"

# The forecast from a copy at least 25 cycles before the alarm, at least a window after the start.
at=$(ls "$WORK/at" | sed 's/\..*//' | sort -n | awk -v a="$alarm" '$1 >= 50 && $1 <= a - 25' | tail -1)
[ -n "$at" ] || fail "no copy of the statistics a window after the start and 25 cycles before the alarm"
line=$("$(dirname "$ZAVIZE_KVDSIM")/../kvdstat/kvdstat" trend --window 50 --blunt 50 --break 90 \
  "$WORK/at/$at.\$\$\$" | grep 'Blunt (power)')
log "at cycle $at: $line"
python3 - "$line" "$at" "$alarm" <<'PY'
import re, sys
line, at, alarm = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
m = re.search(r'in about (\d+) cycles \((\d+) \.\. (\d+|never)', line)
assert m, line
low, high = int(m.group(2)), m.group(3)
ahead = alarm - at
assert low <= ahead and (high == 'never' or ahead <= int(high)), (ahead, line)
print('the alarm %d cycles after cycle %d lies in the range %s .. %s' % (ahead, at, low, high))
PY

# The display as the warning came, cut to the window.
read -r l t r b < <(driver window-rect)
convert "$WORK/forecast.png" -crop "$((r - l))x$((b - t))+$l+$t" +repage "$WORK/forecast-800x600.png"
out=${ZAVIZE_SCREENS_OUT:-}
if [ -n "$out" ]; then
  case $out in /*) ;; *) out=${ZAVIZE_SOURCE:-$PWD}/$out ;; esac
  mkdir -p "$out" && cp "$WORK/forecast-800x600.png" "$out/"
fi
stop_program
log "PASS"
