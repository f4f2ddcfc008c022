#!/usr/bin/env bash
# The plant demo: mosquitto on 127.0.0.1, kvdplant collecting into build/plant-demo/plant, and
# three monitors under Wine (mill-1, mill-2, lathe-3), each against its own kvdsim on COM1..COM3,
# each publishing its cycles. Every 10 s it prints `kvdstat summary` of the plant folder (each
# machine by name, then the plant). On your display when there is one, else under Xvfb with a
# screenshot every 10 s in build/plant-demo/screens. Ctrl-C ends everything. The broker runs the
# plant's shipped configuration (packaging/plant) with a password file and ACL of its own in
# build/plant-demo/broker: every monitor signs in as its machine, kvdplant as kvdplant. With
# BROKER_TLS=1 a TLS listener with a test CA runs beside the plain one (tests/e2e/lib.sh).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
tools/demo-build.sh

export ZAVIZE_BUILD=$top/build/win64 ZAVIZE_KVDSIM=$top/build/native/tools/kvdsim/kvdsim
export WORK=$top/build/plant-demo E2E_PREFIX=$top/build/win64/wineprefix-plant-demo
rm -rf "$WORK/plant"
mkdir -p "$WORK/plant" "$WORK/screens"
# shellcheck source=../tests/e2e/lib.sh
source tests/e2e/lib.sh

ensure_prefix
headless=1
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then headless=0; fi
[ "$headless" = 1 ] && start_display 1920 1080
start_broker
start_kvdplant "$WORK/plant"
log "mosquitto on 127.0.0.1:$BROKER_PORT, kvdplant into $WORK/plant"

machines=(mill-1 mill-2 lathe-3)
for i in 0 1 2; do
  n=$((i + 1))
  run=$WORK/${machines[$i]}
  mkdir -p "$run"
  # Each monitor on its own port, and its own unit with its own cuts and pace.
  python3 - "$run/ZAVIze.cnf" "$n" <<'PY'
import struct, sys
config = bytearray(280)
struct.pack_into('<H', config, 0, int(sys.argv[2]))
config[2:13] = b'Default.$$$'
struct.pack_into('<HH', config, 258, 2, 0)
open(sys.argv[1], 'wb').write(config)
PY
  plant_ini "$run" "${machines[$i]}"
  setsid "$ZAVIZE_KVDSIM" --link "$run/com" --cuts "$n,$((n + 1))" --speed $((2 + i)) >"$run/kvdsim.out" 2>&1 &
  E2E_PIDS+=($!)
  for _ in $(seq 100); do [ -e "$run/com" ] && break; sleep 0.05; done
  map_port "COM$n" "$run/com"
done
for m in "${machines[@]}"; do
  (cd "$WORK/$m" && exec setsid wine "$ZAVIZE_BUILD/zavize.exe") >"$WORK/$m/zavize.out" 2>&1 &
  E2E_PIDS+=($!)
  log "$m: zavize.exe in $WORK/$m"
done
stop() { log "stopping"; e2e_cleanup; exit 0; }
trap stop INT TERM
n=0
while true; do
  sleep 10
  n=$((n + 1))
  log "kvdstat summary $WORK/plant/*/journal"
  "$top/build/native/tools/kvdstat/kvdstat" summary "$WORK"/plant/*/journal 2>&1 | head -40 || true
  if [ "$headless" = 1 ]; then
    screenshot "$WORK/screens/screen-$(printf %04d $n).png" 2>/dev/null || true
  fi
done
