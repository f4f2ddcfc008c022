#!/usr/bin/env bash
# The plant link end to end: the monitor against kvdsim publishes to a real mosquitto, and
# kvdplant's journal for the machine equals the monitor's own, line for line, after each of:
# cycles while all runs; the broker stopped for 20 cycles and started again; the monitor closed
# and started again while the broker was down. Then the monitor is killed: the broker's retained
# state for the machine is the will, offline.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
start_plant_scene
plant_ini "$WORK/run" e2e-mill
start_unit --cuts 1,2 --speed 5 --events "$WORK/events.txt"
map_port COM1 "$WORK/com1"
start_program "$WORK/run"

lines() { cat "$1"/journal/*.csv 2>/dev/null | grep -vc '^time,' || true; }
# same_journals WHAT: kvdplant's copy equals the monitor's journal (60 s for the backlog to arrive).
# The unit goes on playing, so the two are compared whole until they agree: a count that agreed a
# moment before the monitor wrote its next line is no proof.
same_journals() {
  for _ in $(seq 600); do
    if [ "$(lines "$WORK/run")" -gt 0 ] &&
      cmp -s <(cat "$WORK"/run/journal/*.csv) <(cat "$WORK"/plant/e2e-mill/journal/*.csv); then
      log "$1: $(lines "$WORK/plant/e2e-mill") lines, the same on both sides"
      return 0
    fi
    sleep 0.1
  done
  cmp <(cat "$WORK"/run/journal/*.csv) <(cat "$WORK"/plant/e2e-mill/journal/*.csv) || true
  fail "$1: kvdplant's journal differs from the monitor's"
}
cycles_played() { wc -l <"$WORK/events.txt"; }

# 1. Cycles while everything runs.
wait_cycles "$WORK/events.txt" 5
same_journals "running"

# 2. The broker away for 20 cycles.
stop_broker
wait_cycles "$WORK/events.txt" $(( $(cycles_played) + 20 ))
start_broker
same_journals "broker back after 20 cycles"

# 3. The monitor closed and started again while the broker is down.
stop_broker
wait_cycles "$WORK/events.txt" $(( $(cycles_played) + 3 ))
stop_program
start_program "$WORK/run"
wait_cycles "$WORK/events.txt" $(( $(cycles_played) + 5 ))
start_broker
same_journals "monitor restarted while the broker was down"

# 4. The monitor killed: the broker sends the will, and keeps it as the machine's state.
kill -9 "$PROGRAM_PID"
state=$(timeout 20 mosquitto_sub -p "$BROKER_PORT" $(broker_login) -t kvd/e2e-mill/state -C 1 -W 15 2>/dev/null || true)
for _ in $(seq 50); do
  [[ $state == *'"online":false'* ]] && break
  sleep 0.2
  state=$(timeout 5 mosquitto_sub -p "$BROKER_PORT" $(broker_login) -t kvd/e2e-mill/state -C 1 -W 3 2>/dev/null || true)
done
[[ $state == '{"machine":"e2e-mill","online":false}' ]] || fail "no will after the kill: $state"
log "killed: the retained state is the will: $state"
