#!/usr/bin/env bash
# Runs the monitor against the simulated unit: installs what is missing, builds, starts kvdsim on a
# pseudo-terminal, maps it to COM1 in a private Wine prefix and runs zavize.exe. On your display
# when there is one, else under Xvfb with a screenshot every few seconds in build/demo/screens.
# Ctrl-C ends both (they run in sessions of their own, so only this script sees the signal). Extra arguments go to kvdsim (e.g. --cuts 1,2,3 --scenario ...).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
tools/demo-build.sh

export ZAVIZE_BUILD=$top/build/win64 ZAVIZE_KVDSIM=$top/build/native/apps/kvdsim/kvdsim
export WORK=$top/build/demo E2E_PREFIX=$top/build/win64/wineprefix-demo
mkdir -p "$WORK/run" "$WORK/screens"
# shellcheck source=../tests/e2e/lib.sh
source tests/e2e/lib.sh

ensure_prefix
headless=1
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then headless=0; fi
[ "$headless" = 1 ] && start_display 1024 768
start_unit "$@"
map_port COM1 "$WORK/com1"
log "kvdsim: $(head -n1 "$WORK/kvdsim.out")"
(cd "$WORK/run" && exec setsid wine "$ZAVIZE_BUILD/zavize.exe") &
PROGRAM_PID=$!
E2E_PIDS+=($PROGRAM_PID)
stop() { log "stopping"; e2e_cleanup; exit 0; }
trap stop INT TERM
log "zavize.exe runs in $WORK/run (Ctrl-C ends it)"
n=0
while kill -0 "$PROGRAM_PID" 2>/dev/null; do
  sleep 5
  if [ "$headless" = 1 ]; then
    n=$((n + 1))
    screenshot "$WORK/screens/screen-$(printf %04d $n).png" 2>/dev/null && log "screenshot $WORK/screens/screen-$(printf %04d $n).png"
  fi
done
e2e_cleanup
