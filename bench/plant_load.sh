#!/usr/bin/env bash
# The plant link under load: PUBLISHERS publishers (the monitor's publisher code, built natively in
# bench/plant/plant_load), each fed by a simulated machine ending RATE cycles a second, into one
# mosquitto and one kvdplant for SECONDS. Checks that kvdplant stored every cycle once and in order
# (each machine's journal there equals the machine's own, byte for byte) and prints the cycles a
# second held, the CPU (share of one core) and peak memory of the broker and of kvdplant, and the
# latency from a cycle's end to its stored line (median, 99th percentile).
#   bench/plant_load.sh [SECONDS=120] [PUBLISHERS=50] [RATE=5] [STORE=journal|database]
# RATE may be a fraction (0.5: one cycle every 2 s). With STORE=database kvdplant stores only into
# a PostgreSQL 15 of the bench's own (started as tests/plant/database.h does, as the `postgres`
# user when run by root); the check is then that `cycles` holds each machine's journal lines once
# and as many rows as were acknowledged, and the latency is from a cycle's end to its committed row.
# Needs the native build (targets plant_load and kvdplant).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-120}
publishers=${2:-50}
rate=${3:-5}
store=${4:-journal}
build=$top/build/native
work=$top/build/bench-plant
rm -rf "$work"
mkdir -p "$work/monitors" "$work/plant" "$work/broker"
chmod 0777 "$work/broker"  # started by root, mosquitto runs as its own user and saves its sessions here
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
hz=$(getconf CLK_TCK)
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
peak_kb() { awk '/^VmHWM/ { print $2 }' "/proc/$1/status"; }
# The broker's and kvdplant's CPU over the run and their peak memory.
report_cost() {
  awk -v b0="$broker0" -v b1="$broker1" -v p0="$plant0" -v p1="$plant1" -v hz="$hz" -v t="$elapsed" \
      -v bk="$broker_kb" -v pk="$plant_kb" 'BEGIN {
    printf "broker:   CPU %.1f%% of a core, peak memory %.1f MB\n", 100 * (b1 - b0) / hz / t, bk / 1024
    printf "kvdplant: CPU %.1f%% of a core, peak memory %.1f MB\n", 100 * (p1 - p0) / hz / t, pk / 1024 }'
}

cat >"$work/broker/mosquitto.conf" <<CONF
listener $port 127.0.0.1
allow_anonymous true
persistence true
persistence_location $work/broker/
max_queued_messages 100000
CONF
db=$work/db
pg=/usr/lib/postgresql/15/bin
as_postgres() { if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi; }
stop_db() { [ -f "$db/data/postmaster.pid" ] && as_postgres "$pg/pg_ctl" -D "$db/data" -w -m fast stop >/dev/null 2>&1 || true; }
target=(--folder "$work/plant")
trap 'kill ${plant:-} ${broker:-} 2>/dev/null || true; stop_db' EXIT
if [ "$store" = database ]; then
  dbport=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  mkdir -p "$db"
  echo bench-secret >"$db/password"
  [ "$(id -u)" -eq 0 ] && chown -R postgres:postgres "$db"
  as_postgres "$pg/initdb" -D "$db/data" -U kvd --pwfile="$db/password" --auth=scram-sha-256 -E UTF8 \
    --no-sync >"$db/initdb.log" 2>&1
  # The server flushes to the disk as a plant's would (fsync on).
  as_postgres "$pg/pg_ctl" -D "$db/data" -w -t 30 -l "$db/postgres.log" \
    -o "-p $dbport -c listen_addresses=127.0.0.1 -c unix_socket_directories=''" start >/dev/null
  conninfo="host=127.0.0.1 port=$dbport dbname=postgres user=kvd"
  target=(--database "$conninfo" --database-password-file "$db/password")
elif [ "$store" != journal ]; then
  echo "plant_load: STORE is journal or database" >&2
  exit 2
fi
mosquitto -c "$work/broker/mosquitto.conf" 2>"$work/broker/log" &
broker=$!
"$build/apps/kvdplant/kvdplant" "${target[@]}" --port "$port" >"$work/kvdplant.out" 2>"$work/kvdplant.log" &
plant=$!
sleep 1
broker0=$(ticks $broker)
plant0=$(ticks $plant)
start=$(date +%s.%N)
"$build/bench/plant/plant_load" 127.0.0.1 "$port" "$work/monitors" "$publishers" "$seconds" "$rate" | tee "$work/load.out"
sleep 2  # kvdplant writes the last lines
sql() { PGPASSWORD=bench-secret psql "$conninfo" -XAtc "$1"; }
if [ "$store" = database ]; then  # and commits what it still reads, as long as it gains
  acknowledged=$(sed -n 's/.* acknowledged \([0-9]*\) .*/\1/p' "$work/load.out")
  before=-1
  for _ in $(seq 30); do
    rows=$(sql 'SELECT count(*) FROM cycles')
    [ "$rows" -ge "$acknowledged" ] || [ "$rows" -eq "$before" ] && break
    before=$rows
    sleep 2
  done
fi
elapsed=$(echo "$(date +%s.%N) - $start" | bc)
broker1=$(ticks $broker)
plant1=$(ticks $plant)
broker_kb=$(peak_kb $broker)
plant_kb=$(peak_kb $plant)
kill -TERM $plant
wait $plant || true
cat "$work/kvdplant.out"

if [ "$store" = database ]; then
  rows=$(sql 'SELECT count(*) FROM cycles')
  distinct=$(sql 'SELECT count(DISTINCT (machine, outbox, seq)) FROM cycles')
  sql 'SELECT machine, count(*) FROM cycles GROUP BY machine' | sort >"$work/db-counts"
  missing=0
  for m in "$work"/monitors/*/; do
    name=$(basename "$m")
    # The machine's journal lines, without each day file's header row.
    lines=$(cat "$m"/journal/*.csv | grep -vc '^time,' || true)
    if ! grep -qx "$name|$lines" "$work/db-counts"; then
      echo "plant_load: $name: $lines cycles in its journal, $(grep "^$name|" "$work/db-counts" || echo none) in the database" >&2
      missing=$((missing + 1))
    fi
  done
  report_cost
  echo "plant_load: cycles rows $rows distinct cycles $distinct acknowledged $acknowledged"
  if [ "$missing" -ne 0 ] || [ "$rows" != "$acknowledged" ] || [ "$rows" != "$distinct" ]; then
    echo "plant_load: the database does not hold every cycle once ($missing machines differ)" >&2
    exit 1
  fi
  echo "plant_load: every machine's cycles stored once in the database"
  exit 0
fi

missing=0
for m in "$work"/monitors/*/; do
  name=$(basename "$m")
  if ! cmp -s <(cat "$m"/journal/*.csv) <(cat "$work/plant/$name"/journal/*.csv 2>/dev/null); then
    echo "plant_load: $name: kvdplant's journal differs from the machine's" >&2
    missing=$((missing + 1))
  fi
done
report_cost
if [ "$missing" -ne 0 ]; then
  echo "plant_load: $missing machines' journals differ" >&2
  exit 1
fi
echo "plant_load: every machine's journal stored once and in order"
