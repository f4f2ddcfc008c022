#!/bin/sh
# Runs a Windows program under Wine in a private prefix (first argument) whose graphics driver is
# Wine's null driver: windows, menus, dialogs and message boxes exist and behave, nothing is drawn,
# and no X display is needed. The Win32 tests run this way; screenshots and the end-to-end tests
# use a prefix with a display.
prefix=$1
shift
here=$(dirname "$0")
if [ ! -f "$prefix/.null-graphics" ]; then
  mkdir -p "$(dirname "$prefix")"
  (
    flock 9
    if [ ! -f "$prefix/.null-graphics" ]; then
      "$here/wine-run.sh" "$prefix" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1 &&
        WINEPREFIX="$prefix" wineserver -w &&
        touch "$prefix/.null-graphics"
    fi
  ) 9>"$prefix.null.lock"
fi
exec "$here/wine-run.sh" "$prefix" "$@"
