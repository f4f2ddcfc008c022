#!/usr/bin/env bash
# Command 32777 opens the DEBUG window: a child in the lower part of the main window, from
# CurveBaseline + 20 to the bottom, as wide as the client area; the frames received while it is
# open are drawn into it as the cycles end (the end of a cycle repaints the lower panel). Its
# caption counts the cycle journal lines that could not be written: here a file stands where the
# journal folder would be, so every cycle's line fails, and the cycles go on being stored all the
# same.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
rm -rf "$WORK"; mkdir -p "$WORK/run"
: >"$WORK/run/journal"
ensure_prefix
start_display 1024 768
start_unit --wait-peer --cuts 1 --speed 4 --events "$WORK/events.txt"
map_port COM1 "$WORK/com1"
start_program "$WORK/run"
wait_cycles "$WORK/events.txt" 1

driver command 32777
wait_for 5 "the DEBUG window after command 32777" window_open DEBUG
read -r cl ct cr cb < <(driver client-rect)
read -r dl dt dr db < <(driver window-rect DEBUG) || true
[ -n "${dl:-}" ] || fail "no DEBUG window after command 32777"
baseline=270   # CurveBaseline of the 800x600 layout (a 1024x768 screen)
[ "$dl $dt $dr $db" = "$cl $((ct + baseline + 20)) $cr $cb" ] \
  || fail "DEBUG window at $dl $dt $dr $db, expected $cl $((ct + baseline + 20)) $cr $cb"
log "DEBUG window at $dl $dt $dr $db: below the curve, across the client area"

# The left edge of its client area, before and after two more cycles: the lines start at x = 1, and
# the main window draws nothing there (its table starts at x = 55).
read -r xl xt xr xb < <(driver client-rect DEBUG)
area="50x$((xb - xt))+$xl+$xt"
screenshot "$WORK/before.png"
played=$(wc -l <"$WORK/events.txt")
wait_cycles "$WORK/events.txt" $((played + 2))
convert "$WORK/before.png" -crop "$area" +repage "$WORK/debug-before.png"
debug_changed() {  # its lines repainted since the first screenshot
  screenshot "$WORK/after.png"
  convert "$WORK/after.png" -crop "$area" +repage "$WORK/debug-after.png"
  changed=$(compare -metric AE "$WORK/debug-before.png" "$WORK/debug-after.png" null: 2>&1 || true)
  [ "${changed%% *}" -gt 100 ] 2>/dev/null
}
wait_for 10 "the DEBUG window to change over two cycles" debug_changed
log "DEBUG window: $changed pixels changed over two cycles"

played=$(wc -l <"$WORK/events.txt")
caption_counts_played() {  # the caption counts every cycle the unit has played
  caption=$(driver window-text DEBUG)
  [[ "$caption" =~ ^Journal:\ ([0-9]+)\ lines\ not\ written$ ]] && [ "${BASH_REMATCH[1]}" -ge "$played" ]
}
wait_for 10 "the DEBUG caption to count $played unwritten journal lines" caption_counts_played
stop_program
held=$(python3 -c 'import struct,sys; print(struct.unpack_from("<H", open(sys.argv[1], "rb").read(), 32)[0])' \
  "$WORK/run/Default.\$\$\$")
[ "$held" -ge "$played" ] || fail "Default.\$\$\$ holds $held cycles of $played"
log "DEBUG caption: $caption; every cycle stored ($held)"
log "PASS"
