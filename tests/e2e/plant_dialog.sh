#!/usr/bin/env bash
# The plant link set up in the program. The monitor starts with its link pointed at a port where no
# broker listens, and the unit ends two cycles. Communication / Plant link... gets the broker's
# port, another machine name, its user and a wrong password typed: Test says the broker refused
# them; with the right password Test says the broker accepted the connection; OK writes
# ZAVIze.ini (the password only in its protected form) and starts the link again without a
# restart of the program: the debug window shows it connected, and kvdplant stores the two
# waiting cycles under the new machine name.
set -euo pipefail
export PLANT_MACHINES=e2e-dialog  # the broker's one machine user
source "$(dirname "$0")/lib.sh"
start_plant_scene
# A port nobody listens on (bound for a moment, then let go).
dead_port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
printf '[plant]\r\nenabled=1\r\nhost=127.0.0.1\r\nport=%s\r\nmachine=e2e-before\r\n' "$dead_port" >"$WORK/run/ZAVIze.ini"
start_unit --wait-peer --cuts 1 --speed 20 --cycles 2 --events "$WORK/events.txt"
map_port COM1 "$WORK/com1"
start_program "$WORK/run"
wait_cycles "$WORK/events.txt" 2

driver command 32777 >/dev/null  # Window / Debug: its caption shows the link
wait_for 5 "the DEBUG window" window_open DEBUG
shows() { driver window-text DEBUG | tee "$WORK/caption.txt" | grep -q "$1"; }
wait_for 10 "the link to try the port where no broker listens" shows "Plant link: connecting, .* cycles waiting (connection refused)"

driver command 32881 >/dev/null  # Communication / Plant link...
item() { driver dialog-item 5 "$@"; }
[ "$(item 1061)" = 127.0.0.1 ] || fail "the dialog does not show the host: $(item 1061)"
[ "$(item 1062)" = "$dead_port" ] || fail "the dialog does not show the port: $(item 1062)"
item 1062 "$BROKER_PORT"
item 1065 e2e-dialog
item 1066 e2e-dialog
item 1067 not-the-password
tested() { item 1071 | grep -qE "$1"; }
driver answer 5 1070 >/dev/null  # Test
# mosquitto answers a wrong password with "not authorised" (return code 5), as MQTT 3.1.1 allows.
wait_for 10 "the Test to say refused" tested "Refused: (wrong user name or password|not authorised)"
log "Test: $(item 1071)"
password=$(plant_password e2e-dialog)
item 1067 "$password"
driver answer 5 1070 >/dev/null
wait_for 10 "the Test to say connected" tested "Connected: the broker accepted the connection"
log "Test: $(item 1071)"
# Nothing is written until OK.
grep -q "port=$dead_port" "$WORK/run/ZAVIze.ini" || fail "the Test changed ZAVIze.ini"
driver answer 5 1 >/dev/null  # OK
wait_for 5 "the dialog to close" bash -c '! wine "$ZAVIZE_BUILD/tests/zavize_driver.exe" dialog-item 0 1071 >/dev/null 2>&1'

ini=$(tr -d '\r' <"$WORK/run/ZAVIze.ini")
for line in enabled=1 host=127.0.0.1 "port=$BROKER_PORT" machine=e2e-dialog user=e2e-dialog prefix=kvd; do
  grep -qx "$line" <<<"$ini" || fail "ZAVIze.ini lacks $line: $ini"
done
grep -qF "$password" <<<"$ini" && fail "the password is in ZAVIze.ini in plain text: $ini"
grep -q "^password=" <<<"$ini" && fail "a plain password key is left: $ini"
grep -qE "^password_protected=[0-9a-f]{64,}$" <<<"$ini" || fail "no protected password: $ini"
log "ZAVIze.ini: $(grep -v password_protected <<<"$ini" | tr '\n' ' ')password_protected=..."

wait_for 15 "the link started again to be connected" shows "Plant link: connected, 0 cycles waiting"
wait_for 15 "kvdplant to store both cycles under the new name" \
  bash -c "[ \"\$(cat '$WORK'/plant/e2e-dialog/journal/*.csv 2>/dev/null | grep -vc '^time,')\" = 2 ]"
[ ! -e "$WORK/plant/e2e-before" ] || fail "cycles were stored under the old name"
stop_program
log "PASS"
