#!/usr/bin/env bash
# Memory of the running program over an hour of simulated cycles: zavize.exe under Wine + Xvfb
# against kvdsim running faster than real time. Prints the resident size of the program's process
# at the start and every few seconds, and the cycles the unit played.
#   bench/program_memory.sh [SIMULATED_SECONDS=3600] [SPEED=60]
# Needs the native and win64 builds.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
sim_seconds=${1:-3600}
speed=${2:-60}
export ZAVIZE_BUILD=$top/build/win64 ZAVIZE_KVDSIM=$top/build/native/apps/kvdsim/kvdsim
export WORK=$top/build/bench-memory
rm -rf "$WORK"
mkdir -p "$WORK/run"
source "$top/tests/e2e/lib.sh"
ensure_prefix
start_display 1024 768
start_unit --cuts 1,2,3 --speed "$speed" --events "$WORK/events.txt"
map_port COM1 "$WORK/com1"
start_program "$WORK/run"
pid=$(pgrep -n -f 'zavize.exe' || true)
[ -n "$pid" ] || fail "no zavize.exe process"
rss() { awk '/VmRSS/ {print $2}' "/proc/$pid/status"; }
wall=$(( sim_seconds / speed ))
first=$(rss)
echo "simulated ${sim_seconds}s at speed ${speed} (${wall}s wall); zavize.exe pid $pid"
echo "t=0s rss=${first} kB"
for ((t = 10; t <= wall; t += 10)); do
  sleep 10
  echo "t=${t}s rss=$(rss) kB cycles=$(wc -l <"$WORK/events.txt")"
done
last=$(rss)
echo "result: rss start ${first} kB, end ${last} kB, growth $((last - first)) kB over $(wc -l <"$WORK/events.txt") cycles"
stop_program
