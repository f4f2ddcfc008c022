#!/usr/bin/env bash
# The plant demo: mosquitto on 127.0.0.1, kvdplant collecting into build/plant-demo/plant, and
# three monitors under Wine (mill-1, mill-2, lathe-3), each against its own kvdsim on COM1..COM3,
# each publishing its cycles. kvdplant stores into a PostgreSQL 15 of the demo's own as well
# (build/plant-demo/postgres, its own port, run as the `postgres` user when started by root).
# Every 10 s it prints `kvdstat summary` of the plant folder (each machine by name, then the
# plant) and a query of the database's views. On your display when there is one, else under Xvfb
# with a screenshot every 10 s in build/plant-demo/screens. Ctrl-C ends everything. The broker runs
# the plant's shipped configuration (packaging/plant) with a password file and ACL of its own in
# build/plant-demo/broker: every monitor signs in as its machine, kvdplant as kvdplant. With
# BROKER_TLS=1 a TLS listener with a test CA runs beside the plain one (tests/e2e/lib.sh).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
tools/demo-build.sh

export ZAVIZE_BUILD=$top/build/win64 ZAVIZE_KVDSIM=$top/build/native/apps/kvdsim/kvdsim
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

# The database: a cluster of the demo's own, with a password read from a file.
pg=/usr/lib/postgresql/15/bin
PG_DIR=$WORK/postgres
PG_PORT=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
as_pg() { if [ "$(id -u)" = 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi; }
rm -rf "$PG_DIR"
mkdir -p "$PG_DIR"
chmod 0777 "$PG_DIR"
echo "plant-demo" >"$PG_DIR/password"
chmod 0644 "$PG_DIR/password"
[ "$(id -u)" = 0 ] && chown -R postgres:postgres "$PG_DIR"
as_pg "$pg/initdb" -D "$PG_DIR/data" -U kvd --pwfile="$PG_DIR/password" --auth=scram-sha-256 -E UTF8 \
  >"$PG_DIR/initdb.log" 2>&1
as_pg "$pg/pg_ctl" -D "$PG_DIR/data" -w -l "$PG_DIR/postgres.log" \
  -o "-p $PG_PORT -c listen_addresses=127.0.0.1 -c unix_socket_directories=''" start >/dev/null
DATABASE="host=127.0.0.1 port=$PG_PORT dbname=postgres user=kvd"
stop_database() { as_pg "$pg/pg_ctl" -D "$PG_DIR/data" -w -m fast stop >/dev/null 2>&1 || true; }
trap 'e2e_cleanup; stop_database' EXIT

start_kvdplant "$WORK/plant" --database "$DATABASE" --database-password-file "$PG_DIR/password"
log "mosquitto on 127.0.0.1:$BROKER_PORT, kvdplant into $WORK/plant and PostgreSQL on 127.0.0.1:$PG_PORT"
log "the database: PGPASSWORD=plant-demo psql '$DATABASE'"

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
stop() { log "stopping"; e2e_cleanup; stop_database; exit 0; }
trap stop INT TERM
n=0
while true; do
  sleep 10
  n=$((n + 1))
  log "kvdstat summary $WORK/plant/*/journal"
  "$top/build/native/apps/kvdstat/kvdstat" summary "$WORK"/plant/*/journal 2>&1 | head -40 || true
  log "the database: cycles and alarms per machine and hour, the machines' states"
  PGPASSWORD=plant-demo psql "$DATABASE" -c "SELECT * FROM cycles_per_hour ORDER BY hour DESC, machine LIMIT 6" \
    -c "SELECT machine, online, unit, cut, break, blunt, missing, last_cycle FROM machine_state ORDER BY 1" || true
  if [ "$headless" = 1 ]; then
    screenshot "$WORK/screens/screen-$(printf %04d $n).png" 2>/dev/null || true
  fi
done
