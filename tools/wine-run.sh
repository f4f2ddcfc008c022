#!/bin/sh
# Runs a Windows program under Wine with a private prefix (first argument), created on first use.
# The user's ~/.wine is never touched.
prefix=$1
shift
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$prefix/system.reg" ]; then
  mkdir -p "$(dirname "$prefix")"
  (
    flock 9
    if [ ! -f "$prefix/system.reg" ]; then
      wineboot -i >/dev/null 2>&1
      wineserver -w
    fi
  ) 9>"$prefix.lock"
fi
exec wine "$@"
