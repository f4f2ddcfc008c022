#!/usr/bin/env bash
# Makes docs/screens/about-de.png and docs/screens/message-de.png (the About box and a message box
# in German), the pictures of the parameter sheet (its six pages in English, a page each in German
# and Danish) and of the plant link dialog (in all three), opened by zavize_screens.exe in a Wine
# virtual desktop (Wine draws the title bars itself there) on a private X server, and cut out of a
# screenshot.
# Needs the win64 build: cmake --preset win64 && cmake --build --preset win64
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${ZAVIZE_BUILD:-$top/build/win64}
prefix=$build/wineprefix
driver=$build/tools/screens/zavize_screens.exe
out=$top/docs/screens
width=640
height=480

if [ -z "${ZAVIZE_SCREENS_INSIDE:-}" ]; then
  [ -x "$driver" ] || { echo "no $driver: build the win64 preset first" >&2; exit 1; }
  export ZAVIZE_SCREENS_INSIDE=1
  exec xvfb-run -a -s "-screen 0 ${width}x${height}x24 -nolisten tcp" "$0" "$@"
fi

work=$(mktemp -d)
driver_pid=
cleanup() {
  # On a failure the box may still be up: end the prefix's Wine processes with it.
  [ -n "$driver_pid" ] && { kill "$driver_pid" 2>/dev/null; WINEPREFIX=$prefix wineserver -k 2>/dev/null; } || true
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$out"

# shot NAME BOX [ARG...]: shows the box, waits until it is on screen, cuts it out of the screen.
shot() {
  rm -f "$work/ready" "$work/done"
  "$top/tools/wine-run.sh" "$prefix" explorer "/desktop=zavize-screens,${width}x${height}" \
    "$driver" "${@:2}" "Z:$work" &
  driver_pid=$!
  for _ in $(seq 600); do [ -s "$work/ready" ] && break; sleep 0.1; done
  [ -s "$work/ready" ] || { echo "$2: the box did not appear" >&2; exit 1; }
  sleep 1  # the box has been shown; give it time to be drawn
  read -r x y w h <"$work/ready"
  import -window root -crop "${w}x${h}+${x}+${y}" +repage "$out/$1"
  touch "$work/done"
  wait "$driver_pid"
  driver_pid=
  echo "$out/$1 (${w}x${h})"
}

shot about-de.png about
shot message-de.png message
shot sheet-break.png sheet 0 0
shot sheet-blunt.png sheet 0 1
shot sheet-missing.png sheet 0 2
shot sheet-timers.png sheet 0 3
shot sheet-measurement.png sheet 0 4
shot sheet-misc.png sheet 0 5
shot sheet-blunt-de.png sheet 200 1
shot sheet-misc-da.png sheet 400 5
shot plant-link.png plant 0
shot plant-link-de.png plant 200
shot plant-link-da.png plant 400
WINEPREFIX=$prefix wineserver -w  # the virtual desktop ends before its X server does
