#!/usr/bin/env bash
# The plant link under load: PUBLISHERS publishers (the monitor's publisher code, built natively in
# bench/plant/plant_load), each fed by a simulated machine ending RATE cycles a second, into one
# mosquitto and one kvdplant for SECONDS. Checks that kvdplant stored every cycle once and in order
# (each machine's journal there equals the machine's own, byte for byte) and prints the cycles a
# second held, the CPU (share of one core) and peak memory of the broker and of kvdplant, and the
# latency from a cycle's end to its stored line (median, 99th percentile).
#   bench/plant_load.sh [SECONDS=120] [PUBLISHERS=50] [RATE=5]
# Needs the native build (targets plant_load and kvdplant).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-120}
publishers=${2:-50}
rate=${3:-5}
build=$top/build/native
work=$top/build/bench-plant
rm -rf "$work"
mkdir -p "$work/monitors" "$work/plant" "$work/broker"
chmod 0777 "$work/broker"  # started by root, mosquitto runs as its own user and saves its sessions here
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
hz=$(getconf CLK_TCK)
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
peak_kb() { awk '/^VmHWM/ { print $2 }' "/proc/$1/status"; }

cat >"$work/broker/mosquitto.conf" <<CONF
listener $port 127.0.0.1
allow_anonymous true
persistence true
persistence_location $work/broker/
max_queued_messages 100000
CONF
mosquitto -c "$work/broker/mosquitto.conf" 2>"$work/broker/log" &
broker=$!
"$build/tools/kvdplant/kvdplant" --folder "$work/plant" --port "$port" >"$work/kvdplant.out" 2>"$work/kvdplant.log" &
plant=$!
trap 'kill $plant $broker 2>/dev/null || true' EXIT
sleep 1
broker0=$(ticks $broker)
plant0=$(ticks $plant)
start=$(date +%s.%N)
"$build/bench/plant/plant_load" 127.0.0.1 "$port" "$work/monitors" "$publishers" "$seconds" "$rate" | tee "$work/load.out"
sleep 2  # kvdplant writes the last lines
elapsed=$(echo "$(date +%s.%N) - $start" | bc)
broker1=$(ticks $broker)
plant1=$(ticks $plant)
broker_kb=$(peak_kb $broker)
plant_kb=$(peak_kb $plant)
kill -TERM $plant
wait $plant || true
cat "$work/kvdplant.out"

missing=0
for m in "$work"/monitors/*/; do
  name=$(basename "$m")
  if ! cmp -s <(cat "$m"/journal/*.csv) <(cat "$work/plant/$name"/journal/*.csv 2>/dev/null); then
    echo "plant_load: $name: kvdplant's journal differs from the machine's" >&2
    missing=$((missing + 1))
  fi
done
awk -v b0="$broker0" -v b1="$broker1" -v p0="$plant0" -v p1="$plant1" -v hz="$hz" -v t="$elapsed" \
    -v bk="$broker_kb" -v pk="$plant_kb" 'BEGIN {
  printf "broker:   CPU %.1f%% of a core, peak memory %.1f MB\n", 100 * (b1 - b0) / hz / t, bk / 1024
  printf "kvdplant: CPU %.1f%% of a core, peak memory %.1f MB\n", 100 * (p1 - p0) / hz / t, pk / 1024 }'
if [ "$missing" -ne 0 ]; then
  echo "plant_load: $missing machines' journals differ" >&2
  exit 1
fi
echo "plant_load: every machine's journal stored once and in order"
