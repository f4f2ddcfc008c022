#!/bin/sh
# Like wine-run.sh, for programs that open windows: uses the display that is set, or a private
# Xvfb for the run when there is none. Wine's desktop keeps the display of the process that
# started the prefix's wineserver, so with a private Xvfb this waits until no server of the
# prefix runs (ctest runs these tests alone) and starts a fresh one on that display.
here=$(dirname "$0")
if [ -n "$DISPLAY" ]; then
  exec "$here/wine-run.sh" "$@"
fi
if [ -f "$1/system.reg" ]; then
  WINEPREFIX="$1" wineserver -w
fi
exec xvfb-run -a -s "-screen 0 1024x768x24" "$here/wine-run.sh" "$@"
