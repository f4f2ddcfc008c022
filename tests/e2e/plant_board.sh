#!/usr/bin/env bash
# The plant board in headless Chromium against the plant demo's set-up: mosquitto, kvdplant and
# three monitors under Wine, each against its own kvdsim, the unit of mill-2 breaking its tool.
# The three tiles appear, cycle ends show on their tiles within 2 s, the Break alarm colours
# mill-2's tile, and a monitor closed turns its tile offline. Pictures in $WORK/screens.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
rm -rf "$WORK"
mkdir -p "$WORK/plant" "$WORK/screens"
ensure_prefix
start_display 1280 1024
start_broker
echo hall-7 >"$WORK/token"  # the board's token from a file: never on the command line
start_kvdplant "$WORK/plant" --listen 127.0.0.1:0 --token-file "$WORK/token"
for _ in $(seq 100); do grep -q 'the board is on' "$WORK/kvdplant.log" 2>/dev/null && break; sleep 0.1; done
board=$(sed -n 's|.*the board is on http://127.0.0.1:\([0-9]*\)/.*|\1|p' "$WORK/kvdplant.log")
[ -n "$board" ] || fail "kvdplant serves no board: $(cat "$WORK/kvdplant.log")"

machines=(mill-1 mill-2 lathe-3)
scenario=("" "--scenario break:12" "")
declare -A pid_of
for i in 0 1 2; do
  n=$((i + 1)) m=${machines[$i]}
  mkdir -p "$WORK/$m"
  # Each monitor on its own COM port (ZAVIze.cnf: port n, the default statistics file).
  python3 -c 'import struct, sys
c = bytearray(280); struct.pack_into("<H", c, 0, int(sys.argv[2])); c[2:13] = b"Default.$$$"
struct.pack_into("<HH", c, 258, 2, 0); open(sys.argv[1], "wb").write(c)' "$WORK/$m/ZAVIze.cnf" "$n"
  plant_ini "$WORK/$m" "$m"
  # shellcheck disable=SC2086
  setsid "$ZAVIZE_KVDSIM" --link "$WORK/$m/com" --cuts "$n,$((n + 1))" --speed 4 --wait-peer ${scenario[$i]} \
    >"$WORK/$m/kvdsim.out" 2>&1 &
  E2E_PIDS+=($!)
  for _ in $(seq 100); do [ -e "$WORK/$m/com" ] && break; sleep 0.05; done
  map_port "COM$n" "$WORK/$m/com"
done
for m in "${machines[@]}"; do
  (cd "$WORK/$m" && exec setsid wine "$ZAVIZE_BUILD/zavize.exe") >"$WORK/$m/zavize.out" 2>&1 &
  pid_of[$m]=$!
  E2E_PIDS+=($!)
done
# kvdplant makes a machine's folder with its first message: all three publish, or the program
# has no plant link.
for _ in $(seq 900); do [ "$(find "$WORK/plant" -mindepth 1 -maxdepth 1 -type d | wc -l)" -ge 3 ] && break; sleep 0.1; done
reached=$(find "$WORK/plant" -mindepth 1 -maxdepth 1 -type d | wc -l)
[ "$reached" -ge 3 ] || fail "only $reached of the 3 monitors reached kvdplant through the broker in 90 s"

# What the browser test runs to close a monitor: WM_CLOSE to one of the three windows, then the
# name of the machine whose program ended.
cat >"$WORK/close.sh" <<CLOSE
$(declare -p pid_of)
driver() { wine "$ZAVIZE_BUILD/tests/zavize_driver.exe" "\$@"; }
driver close >/dev/null 2>&1
for _ in \$(seq 200); do
  for m in "\${!pid_of[@]}"; do kill -0 "\${pid_of[\$m]}" 2>/dev/null || { echo "\$m"; exit 0; }; done
  sleep 0.05
done
exit 1
CLOSE
python3 "$ZAVIZE_SOURCE/apps/kvdplant/board/tests/board_browser_test.py" --demo-port "$board" \
  --close "bash $WORK/close.sh" --screens "$WORK/screens" || fail "the board in the browser"
log "the board showed the plant demo; pictures in $WORK/screens"
