#!/usr/bin/env bash
# An idle plant link stays connected: the monitor (keep-alive 3 s in ZAVIze.ini) ends two cycles
# and then none for more than three keep-alive periods. Its retained state never turns offline
# meanwhile (the broker would publish the will if the link gave the connection up), and kvdplant
# holds both cycles.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
start_plant_scene
plant_ini "$WORK/run" e2e-idle
printf 'keepalive=3\r\n' >>"$WORK/run/ZAVIze.ini"
start_unit --wait-peer --cuts 1 --speed 5 --cycles 2 --events "$WORK/events.txt"
map_port COM1 "$WORK/com1"
start_program "$WORK/run"

wait_cycles "$WORK/events.txt" 2
wait_for 30 "kvdplant to store both cycles" \
  bash -c "[ \"\$(cat '$WORK'/plant/e2e-idle/journal/*.csv 2>/dev/null | grep -vc '^time,')\" = 2 ]"
# Every state message of the machine from now on, for four keep-alive periods of idling.
timeout 13 mosquitto_sub -p "$BROKER_PORT" $(broker_login) -t kvd/e2e-idle/state -v >"$WORK/states.txt" 2>/dev/null || true
grep -q '"online":true' "$WORK/states.txt" || fail "no state seen: $(cat "$WORK/states.txt")"
if grep -q '"online":false' "$WORK/states.txt"; then
  fail "the idle monitor showed offline: $(cat "$WORK/states.txt")"
fi
log "idle for 13 s (keep-alive 3 s): $(wc -l <"$WORK/states.txt") state message(s), never offline"

# The debug window reads the link its main window owns.
driver command 32777 >/dev/null
wait_for 5 "the DEBUG window" window_open DEBUG
shows_connected() { driver window-text DEBUG | grep -q "Plant link: connected, 0 cycles waiting"; }
wait_for 5 "the DEBUG caption to show the link connected" shows_connected
log "PASS"
