#!/usr/bin/env bash
# The outbox catching up after a day away: CYCLES journal lines waiting (86,400, a day at one a
# second) go through the monitor's publisher (bench/plant/plant_catchup), a real mosquitto (the
# plant's durability settings: sessions on disk, saved every second) and a real kvdplant, while
# the machine goes on ending a cycle a second. Prints the seconds until every cycle was
# acknowledged to the publisher and until kvdplant held them all, and checks that kvdplant's
# journal of the machine equals the machine's, byte for byte (each cycle once, in order).
#   bench/plant_catchup.sh [CYCLES=86400] [BUILD=build/native ...]
# With several build folders (e.g. one built from an earlier commit) each runs in turn against a
# broker and a kvdplant of its own, so their figures come from one run, side by side. A folder
# written wine:FOLDER is a Windows build (build/win64): its plant_catchup.exe, the monitor's side,
# runs under Wine in a prefix of its own, against the native broker and kvdplant of build/native.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cycles=${1:-86400}
shift || true
builds=("$@")
[ ${#builds[@]} -gt 0 ] || builds=("$top/build/native")
status=0
for build in "${builds[@]}"; do
  runner=()
  if [[ $build == wine:* ]]; then
    build=$(cd "${build#wine:}" && pwd)
    export WINEPREFIX=$build/wineprefix-bench-catchup WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    . "$top/tools/wine-prefix.sh"
    wine_prefix "$WINEPREFIX"
    runner=(wine)
    publisher=$build/bench/plant/plant_catchup.exe
    collector=$top/build/native/apps/kvdplant/kvdplant
  else
    build=$(cd "$build" && pwd)
    publisher=$build/bench/plant/plant_catchup
    collector=$build/apps/kvdplant/kvdplant
  fi
  work=$top/build/bench-catchup
  rm -rf "$work"
  mkdir -p "$work/monitor" "$work/plant" "$work/broker"
  chmod 0777 "$work/broker"  # started by root, mosquitto runs as its own user and saves here
  port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  cat >"$work/broker/mosquitto.conf" <<CONF
listener $port 127.0.0.1
allow_anonymous true
persistence true
persistence_location $work/broker/
autosave_on_changes false
autosave_interval 1
max_queued_messages 3100000
max_queued_bytes 1500000000
CONF
  mosquitto -c "$work/broker/mosquitto.conf" 2>"$work/broker/log" &
  broker=$!
  "$collector" --folder "$work/plant" --port "$port" --listen off \
    >"$work/kvdplant.out" 2>"$work/kvdplant.log" &
  plant=$!
  trap 'kill $plant $broker 2>/dev/null || true' EXIT
  sleep 1
  echo "== $build"
  "${runner[@]}" "$publisher" 127.0.0.1 "$port" "$work/monitor" "$work/plant" "$cycles" || status=1
  sleep 1  # kvdplant writes the last lines the machine ended meanwhile
  kill -TERM $plant
  wait $plant || true
  kill -TERM $broker
  wait $broker || true
  trap - EXIT
  cat "$work/kvdplant.out"
  if cmp -s <(cat "$work"/monitor/journal/*.csv) <(cat "$work"/plant/m1/journal/*.csv 2>/dev/null); then
    echo "plant_catchup: kvdplant's journal equals the machine's"
  else
    echo "plant_catchup: kvdplant's journal differs from the machine's" >&2
    status=1
  fi
done
exit $status
