#!/usr/bin/env bash
# Print / Screen dump in the running program: before any cycle end it says there is no curve; after
# the unit's last cycle and Pause, the dump's pixels (read by ImageMagick) are the window as the
# screen shows it; Cancel writes nothing and lets the display run again; a folder that cannot be
# written gets "Error creating the BMP-file" and its existing file stays as it was.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
rm -rf "$WORK"; mkdir -p "$WORK/run" "$WORK/out" "$WORK/locked"
locked=$WORK/locked
trap 'chattr -i "$locked" 2>/dev/null || true; e2e_cleanup' EXIT

ensure_prefix
start_display 1024 768
# One server for the run, its output aside (a server that ends on its own lists its objects).
wineserver -p30 2>/dev/null || true
start_unit --wait-peer --cuts 1 --speed 4 --cycles 2 --events "$WORK/events.txt"
map_port COM1 "$WORK/com1"
export ZAVIZE_DESKTOP=dump DESKTOP_SIZE=1024x768
start_program "$WORK/run"

# No cycle has ended yet: no snapshot, no dialog.
driver command 32879
box=$(driver message 10) || fail "no message before the first cycle end"
[ "$box" = $'caption=Screen Dump\ntext=No curve present,\naborting action.' ] || fail "before a cycle end: $box"
log "before the first cycle end: $(echo "$box" | tr '\n' ' ')"

# The unit plays its cycles and idles on; the picture stays as the last cycle end left it, but for
# the power bar, which shows the idle samples (so it is not compared).
wait_cycles "$WORK/events.txt" 2
sleep 1
driver key 19
sleep 0.5
read -r wl wt wr wb < <(driver window-rect)
read -r cl ct cr cb < <(driver client-rect)
screenshot "$WORK/screen.png"

# dump NAME: Print / Screen dump, the file name typed into the save dialog and confirmed.
dump() {
  driver command 32879
  driver answer 15 1 "$(winepath -w "$1" 2>/dev/null)" >/dev/null || fail "no save dialog"
}
dump "$WORK/out/dump.bmp"
wait_for 10 "the dump file" test -s "$WORK/out/dump.bmp"
driver no-message 2 >/dev/null || fail "the dump showed a message"
[ ! -e "$WORK/out/dump.bmp.tmp" ] || fail "a partial file was left"

# The file: 32 bits per pixel, no colour table, pixels at 54, rows of 4 x width bytes.
python3 - "$WORK/out/dump.bmp" $((wr - wl)) $((wb - wt)) <<'PY' || fail "the bitmap header"
import struct, sys
data = open(sys.argv[1], 'rb').read()
w, h = int(sys.argv[2]), int(sys.argv[3])
magic, size, _, offset = struct.unpack_from('<2sIII', data, 0)
hsize, bw, bh, planes, bits, comp, image, _, _, used, _ = struct.unpack_from('<IiiHHIIiiII', data, 14)
assert (magic, hsize, bw, bh, planes, bits, comp, used) == (b'BM', 40, w, h, 1, 32, 0, 0), (bw, bh, planes, bits, used)
assert offset == 54 and image == 4 * w * h and size == 54 + 4 * w * h == len(data), (offset, image, size, len(data))
print('bitmap: %dx%d, 32 bits, pixels at 54, %d bytes' % (w, h, len(data)))
PY
# Its client area against the screen's, the power bar (PowerBarRect) masked in both.
mask=(-fill black -draw "rectangle 35,70 49,269")
convert "$WORK/out/dump.bmp" -alpha off -crop "$((cr - cl))x$((cb - ct))+$((cl - wl))+$((ct - wt))" +repage \
  "${mask[@]}" "$WORK/dump-client.png"
convert "$WORK/screen.png" -crop "$((cr - cl))x$((cb - ct))+$cl+$ct" +repage "${mask[@]}" "$WORK/screen-client.png"
differ=$(compare -metric AE "$WORK/dump-client.png" "$WORK/screen-client.png" null: 2>&1 || true)
[ "$differ" = 0 ] || fail "the dump differs from the screen in $differ pixels"
log "the dump's client area equals the screen's ($((cr - cl))x$((cb - ct)) pixels)"

# ink X Y W H: how many pixels of a client-area rectangle of the screen are not the window grey.
ink() {
  screenshot "$WORK/ink.png"
  convert "$WORK/ink.png" -crop "$3x$4+$((cl + $1))+$((ct + $2))" +repage -fill white -opaque 'rgb(229,229,229)' \
    -fill black +opaque white -format '%[fx:round(mean*w*h)]' info: | awk -v n="$(($3 * $4))" '{print n - $1}'
}
# Frozen, the power chart is drawn over the table without erasing it: the table's "Common for all
# cuts:" (column 3, row 1) stays under the chart. Cancel in the dump's dialog writes nothing, and
# the display runs again on an erased window: that corner of the panel is clean.
driver key 19
driver command 32796
sleep 1
[ "$(ink 555 330 160 16)" -gt 0 ] || fail "frozen: the table was erased"
driver command 32879
driver answer 15 2 >/dev/null || fail "cancel: no save dialog"
driver no-message 2 >/dev/null || fail "cancel: a message appeared"
sleep 1
[ "$(ls "$WORK/out")" = dump.bmp ] || fail "cancel: a file was written: $(ls "$WORK/out")"
left=$(ink 555 330 160 16)
[ "$left" -eq 0 ] || fail "after Cancel the display did not run again on an erased window ($left pixels)"
log "Cancel wrote nothing; the display runs again"

# A folder that cannot be written (immutable, so even root cannot add a file) holding a dump of
# that name: the overwrite question, then the message, and the old file is untouched.
cp "$WORK/out/dump.bmp" "$locked/dump.bmp"
cp "$WORK/out/dump.bmp" "$WORK/kept.bmp"
chattr +i "$locked" || fail "chattr +i: the folder cannot be locked here"
driver command 32879
driver answer 15 1 "$(winepath -w "$locked/dump.bmp" 2>/dev/null)" >/dev/null || fail "locked: no save dialog"
driver answer 10 6 >/dev/null || fail "locked: no overwrite question"
box=$(driver message 10) || fail "locked: no message"
case $box in
  $'caption=Screen Dump\ntext=Error creating the BMP-file: '[0-9]*) ;;
  *) fail "locked: $box" ;;
esac
log "locked folder: $(echo "$box" | tr '\n' ' ')"
chattr -i "$locked"
cmp -s "$locked/dump.bmp" "$WORK/kept.bmp" || fail "locked: the existing file changed"
[ "$(ls "$locked")" = dump.bmp ] || fail "locked: files left: $(ls "$locked")"

stop_program
log "PASS"
