#!/usr/bin/env bash
# The plant link over TLS with sign-in, end to end: mosquitto with the plant's shipped
# configuration (TLS listener, password file, ACL) and a test CA made by the plant's script with
# openssl; kvdplant on the broker's plain listener. The monitor, trusting the test CA:
# 0. against a broker of the right CA that sends its records in pieces and then an invalid one,
#    reads the first and drops the connection at the last, with the debug window's text;
# 1. against a broker whose certificate comes from another CA is refused, and its debug window
#    says so; its cycles wait in its journal;
# 2. against the right broker with a wrong password is refused likewise;
# 3. with the password corrected it signs in, and kvdplant's journal equals the monitor's: every
#    cycle of the refused connections arrived, once.
set -euo pipefail
PLANT_MACHINES=e2e-tls BROKER_TLS=1
source "$(dirname "$0")/lib.sh"
rm -rf "$WORK"; mkdir -p "$WORK/run" "$WORK/plant" "$WORK/right"
ensure_prefix

# The plant's shipped configuration with its TLS listener, its test CA (made by start_broker with
# packaging/plant/make-test-ca.sh) and, aside, a broker certificate from another CA.
start_broker
stop_broker
"$ZAVIZE_SOURCE/packaging/plant/make-test-ca.sh" "$WORK/other" localhost >/dev/null
chmod 0644 "$WORK/other/broker.key"
cp "$WORK/broker/ca/broker.crt" "$WORK/broker/ca/broker.key" "$WORK/right/"
# broker_with FOLDER: the broker, restarted, presents the certificate and key of FOLDER.
broker_with() {
  stop_broker
  cp "$1/broker.crt" "$1/broker.key" "$WORK/broker/ca/"
  start_broker
}
# tls_ini PASSWORD: the monitor signs in to the TLS listener at localhost (a name of its
# certificate), trusting the test CA.
tls_ini() {
  local ca_file="Z:${WORK//\//\\}\\broker\\ca\\ca.crt"
  printf '[plant]\r\nenabled=1\r\nhost=localhost\r\nport=%s\r\nmachine=e2e-tls\r\ntls=1\r\ncafile=%s\r\nuser=e2e-tls\r\npassword=%s\r\n' \
    "$BROKER_TLS_PORT" "$ca_file" "$1" >"$WORK/run/ZAVIze.ini"
}

start_display 1024 768
# 0. First a broker that sends its records in pieces and several in one piece, then a record
# longer than TLS allows: the link reads the first right and drops the connection at the last.
python3 "$ZAVIZE_SOURCE/tests/e2e/tls_broker.py" "$BROKER_TLS_PORT" "$WORK/right/broker.crt" \
  "$WORK/right/broker.key" "$WORK/tls_broker.log" &
AWKWARD_PID=$!
E2E_PIDS+=($AWKWARD_PID)
tls_ini "$(plant_password e2e-tls)"
start_unit --cuts 1,2 --speed 5 --events "$WORK/events.txt"
map_port COM1 "$WORK/com1"
start_program "$WORK/run"

lines() { cat "$1"/journal/*.csv 2>/dev/null | grep -vc '^time,' || true; }
cycles_played() { wc -l <"$WORK/events.txt"; }
# refused WHY: the debug window shows the link refused for WHY, with cycles waiting, and kvdplant
# has none of them.
refused() {
  driver command 32777 >/dev/null
  wait_for 10 "the DEBUG window" window_open DEBUG
  shows() { driver window-text DEBUG | grep -F "($1)" | grep -qE "Plant link: connecting, [1-9][0-9]* cycles waiting"; }
  wait_for 20 "the DEBUG window to show the link refused ($1)" shows "$1"
  [ "$(lines "$WORK/plant/e2e-tls")" -eq 0 ] || fail "kvdplant has cycles of a refused link"
  log "refused: $(driver window-text DEBUG | grep -o 'Plant link:.*'); the journal holds $(lines "$WORK/run")"
}

wait_cycles "$WORK/events.txt" 1
refused "the broker sent invalid TLS data"
for step in "connack in single bytes" "state acknowledged in two records" "hostile at the first cycle"; do
  grep -qx "$step" "$WORK/tls_broker.log" || fail "the awkward broker's log lacks: $step"
done
kill "$AWKWARD_PID"; wait "$AWKWARD_PID" 2>/dev/null || true

# 1. A broker certificate from another CA (the same monitor, at its next try).
broker_with "$WORK/other"
start_kvdplant "$WORK/plant"
wait_cycles "$WORK/events.txt" $(($(cycles_played) + 1))
refused "the broker's certificate is not trusted"

# 2. The right broker, a wrong password.
stop_program
tls_ini wrong-password
broker_with "$WORK/right"
start_program "$WORK/run"
wait_cycles "$WORK/events.txt" $(($(cycles_played) + 2))
refused "the broker refused the sign-in: not authorised (user or password wrong or missing)"

# 3. The password corrected: every cycle arrives, once.
stop_program
tls_ini "$(plant_password e2e-tls)"
start_program "$WORK/run"
wait_cycles "$WORK/events.txt" $(($(cycles_played) + 2))
stop_unit  # the journals are compared when no cycle is on its way
for _ in $(seq 300); do
  [ "$(lines "$WORK/plant/e2e-tls")" -ge "$(lines "$WORK/run")" ] && break
  sleep 0.1
done
cmp <(cat "$WORK"/run/journal/*.csv) <(cat "$WORK"/plant/e2e-tls/journal/*.csv) ||
  fail "kvdplant's journal differs from the monitor's"
log "signed in over TLS: $(lines "$WORK/run") lines, the same on both sides"
log "PASS"
