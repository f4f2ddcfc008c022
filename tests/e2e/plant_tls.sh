#!/usr/bin/env bash
# The plant link over TLS with sign-in, end to end: a test CA made here with openssl, mosquitto
# with a TLS listener, a password file and an ACL. The monitor, trusting the test CA:
# 0. against a broker of the right CA that sends its records in pieces and then an invalid one,
#    reads the first and drops the connection at the last, with the debug window's text;
# 1. against a broker whose certificate comes from another CA is refused, and its debug window
#    says so; its cycles wait in its journal;
# 2. against the right broker with a wrong password is refused likewise;
# 3. with the password corrected it signs in, and kvdplant's journal equals the monitor's: every
#    cycle of the refused connections arrived, once.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
rm -rf "$WORK"; mkdir -p "$WORK/run" "$WORK/plant" "$WORK/ca"
ensure_prefix

# The test CA, another CA, and the broker's certificate for localhost from each.
ca="$WORK/ca"
make_ca() { openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=$1" -keyout "$ca/$1.key" -out "$ca/$1.crt" 2>/dev/null; }
make_ca plant-ca
make_ca other-ca
openssl req -newkey rsa:2048 -nodes -subj /CN=localhost -keyout "$ca/broker.key" -out "$ca/broker.csr" 2>/dev/null
printf 'subjectAltName=DNS:localhost\n' >"$ca/broker.ext"
for issuer in plant-ca other-ca; do
  openssl x509 -req -in "$ca/broker.csr" -CA "$ca/$issuer.crt" -CAkey "$ca/$issuer.key" -CAcreateserial \
    -days 2 -extfile "$ca/broker.ext" -out "$ca/broker-$issuer.crt" 2>/dev/null
done
chmod 0644 "$ca"/*  # mosquitto, started by root, reads them as its own user

# The broker: TLS with passwords and an ACL for the monitors; kvdplant on a plain listener of its
# own (it reads everything there). TLS_PORT is the monitor's broker throughout.
TLS_PORT=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
BROKER_PORT=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
mkdir -p "$WORK/broker"; chmod 0777 "$WORK/broker"
touch "$WORK/broker/passwd"
mosquitto_passwd -b "$WORK/broker/passwd" e2e-tls right-password
printf 'pattern write kvd/%%u/#\n' >"$WORK/broker/acl"
chmod 0644 "$WORK/broker"/*
# broker_with ISSUER: the broker presents its certificate from ISSUER.
broker_with() {
  cat >"$WORK/broker/mosquitto.conf" <<EOF
per_listener_settings true
persistence true
persistence_location $WORK/broker/
autosave_interval 1
listener $TLS_PORT 127.0.0.1
cafile $ca/plant-ca.crt
certfile $ca/broker-$1.crt
keyfile $ca/broker.key
allow_anonymous false
password_file $WORK/broker/passwd
acl_file $WORK/broker/acl
listener $BROKER_PORT 127.0.0.1
allow_anonymous true
EOF
  [ -z "${BROKER_PID:-}" ] || stop_broker
  start_broker
}

start_display 1024 768
# 0. First a broker that sends its records in pieces and several in one piece, then a record
# longer than TLS allows: the link reads the first right and drops the connection at the last.
python3 "$ZAVIZE_SOURCE/tests/e2e/tls_broker.py" "$TLS_PORT" "$ca/broker-plant-ca.crt" "$ca/broker.key" \
  "$WORK/tls_broker.log" &
AWKWARD_PID=$!
E2E_PIDS+=($AWKWARD_PID)
# tls_ini PASSWORD: the monitor signs in to the TLS listener at localhost (its certificate's name).
tls_ini() {
  local ca_file="Z:${ca//\//\\}\\plant-ca.crt"
  printf '[plant]\r\nenabled=1\r\nhost=localhost\r\nport=%s\r\nmachine=e2e-tls\r\ntls=1\r\ncafile=%s\r\nuser=e2e-tls\r\npassword=%s\r\n' \
    "$TLS_PORT" "$ca_file" "$1" >"$WORK/run/ZAVIze.ini"
}
tls_ini right-password
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
broker_with other-ca
start_kvdplant "$WORK/plant"
wait_cycles "$WORK/events.txt" $(($(cycles_played) + 1))
refused "the broker's certificate is not trusted"

# 2. The right broker, a wrong password.
stop_program
tls_ini wrong-password
broker_with plant-ca
start_program "$WORK/run"
wait_cycles "$WORK/events.txt" $(($(cycles_played) + 2))
refused "the broker refused the sign-in: not authorised (user or password wrong or missing)"

# 3. The password corrected: every cycle arrives, once.
stop_program
tls_ini right-password
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
