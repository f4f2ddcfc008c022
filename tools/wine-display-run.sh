#!/bin/sh
# Like wine-run.sh, for programs that open windows: uses the display that is set, or a private
# Xvfb for the run when there is none.
here=$(dirname "$0")
if [ -n "$DISPLAY" ]; then
  exec "$here/wine-run.sh" "$@"
fi
exec xvfb-run -a -s "-screen 0 1024x768x24" "$here/wine-run.sh" "$@"
