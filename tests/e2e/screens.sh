#!/usr/bin/env bash
# The program's screens, photographed while it runs against the unit and checked by their pixels:
# the live curve in both layouts (the colours of the point states; the Break line at the row that Po
# and the unit's reported Break Limit give), the power chart at its four bar scales and the work
# chart from statistics seeded before the start (every bar at its place, width, colour and height),
# the table view drawn on a clean panel after the charts, an alarm lamp, and the legend window.
# The program runs in a Wine virtual desktop (its "screen"), so the pictures have title bars.
# With ZAVIZE_SCREENS_OUT=FOLDER (relative: to the source tree) the pictures, cut to the window,
# also go there; docs/screens holds the ones made so.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
rm -rf "$WORK"; mkdir -p "$WORK/shots"
out=${ZAVIZE_SCREENS_OUT:-}
if [ -n "$out" ]; then
  case $out in /*) ;; *) out=${ZAVIZE_SOURCE:-$PWD}/$out ;; esac
  mkdir -p "$out"
fi

screens() { python3 "$here/screens.py" "$@"; }

# session NAME SIZE ENTRIES VIEW CYCLES [KVDSIM-OPTION...]: a fresh folder with ENTRIES cycles of
# cut 1 and the view VIEW configured, a fresh unit that plays CYCLES cycles of cut 1 and then idles,
# and the program in a virtual desktop of SIZE; returns once the cycles are stored. Sets run, and
# ox, oy: the client origin on the screen.
session() {
  run=$WORK/$1
  mkdir -p "$run"
  screens seed "$run" "$3" "$4" >/dev/null
  start_unit --wait-peer --cuts 1 --speed 4 --cycles "$5" --params "$WORK/unit.kvd" \
    --events "$run/events.txt" "${@:6}"
  export ZAVIZE_DESKTOP=$1 DESKTOP_SIZE=$2
  start_program "$run"
  wait_cycles "$run/events.txt" "$5"
  sleep 1   # the repaint of the panel after the last cycle
  read -r ox oy < <(driver client-origin)
}
end_session() {
  stop_program
  stop_unit
}

# photo NAME CHECK [ARG...]: a screenshot $WORK/NAME.png that passes `screens.py CHECK` with the
# ARGs; taken again, up to five times, while it fails (a repaint may lag behind a command).
photo() {
  local name=$1 check=$2 result try
  shift 2
  for try in 1 2 3 4 5; do
    screenshot "$WORK/$name.png"
    result=$(screens "$check" "$WORK/$name.png" "$@") && break
    [ "$try" -lt 5 ] || fail "$name: $result"
    sleep 0.5
  done
  log "$name: $result"
}

# keep NAME [CLASS]: the last screenshot NAME cut to the main window (or the program's window of
# CLASS), into $WORK/shots and, with ZAVIZE_SCREENS_OUT, into that folder.
keep() {
  local l t r b
  read -r l t r b < <(driver window-rect ${2:-})
  # Without the time stamps, a picture that did not change stays the same file.
  convert "$WORK/$1.png" -crop "$((r - l))x$((b - t))+$l+$t" +repage \
    -define png:exclude-chunks=date,time "$WORK/shots/$1.png"
  [ -z "$out" ] || cp "$WORK/shots/$1.png" "$out/$1.png"
}

ensure_prefix
start_display 1024 768
map_port COM1 "$WORK/com1"
# One server for all sessions, its output aside: a server that ends on its own once a program has
# gone lists every object left over, thousands of lines. It lingers 30 s after its last client, so
# a run that is killed before its clean-up leaves no server behind for long.
wineserver -p30 2>/dev/null || true
screens kvd "$WORK/unit.kvd" >/dev/null

# A screen below 800x600 gives the 640x480 layout. The second cycle's curve, frozen by Pause; then
# the power chart of this layout, one pixel per percent (not kept as a picture).
session s640 720x560 60 2 2
driver key 19
photo curve-640x480 curve 640 "$ox" "$oy"
keep curve-640x480
driver key 19
driver command 32796
photo power-640x480 bars 640 "$ox" "$oy" 0 "$run" 60
end_session

# 800x600 with 60 cycles seeded: 62 after the unit's two, drawn as 8-pixel bars.
session s800 1024x768 60 2 2
driver key 19
photo curve-800x600 curve 800 "$ox" "$oy"
keep curve-800x600
driver key 19           # the curve runs on
driver command 32796    # Show Power statistics
photo power-8px bars 800 "$ox" "$oy" 0 "$run" 60
keep power-8px
driver command 32797    # Show Work statistics
photo work-800x600 bars 800 "$ox" "$oy" 1 "$run" 60
keep work-800x600
driver command 32798    # Show Parameters: the table on an erased panel
photo table-after-charts no-bars 800 "$ox" "$oy"
driver command 32858    # Help / Legend
sleep 0.5
read -r lx ly < <(driver client-origin LEGEND)
photo legend legend "$lx" "$ly"
keep legend LEGEND
end_session

# The 4- and 2-pixel bar scales, each from its own seeded file, with the power chart configured.
for scale in 4px:120 2px:250; do
  entries=${scale#*:}
  session "s$entries" 1024x768 "$entries" 0 1
  photo "power-${scale%:*}" bars 800 "$ox" "$oy" 0 "$run" "$entries"
  keep "power-${scale%:*}"
  end_session
done

# A tool that gets blunt: its second detection (Blunt Count 2) lights the Blunt lamp. Then the
# one-pixel bars of 2000 seeded cycles and the unit's two, four cycles to a bar.
session s2000 1024x768 2000 2 2 --scenario blunt:1:10
photo table-800x600 lamps 800 "$ox" "$oy" blunt
keep table-800x600
driver command 32796
photo power-1px bars 800 "$ox" "$oy" 0 "$run" 2000
keep power-1px
end_session
log "PASS"
