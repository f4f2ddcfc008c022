#!/usr/bin/env bash
# The plant link while the statistics file in use moves: Save statistics as into another folder
# (its journal and outbox are there, numbered afresh from the clock) and back again (the old
# outbox goes on with numbers below the other's). kvdplant holds every cycle of both journals,
# each once.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
start_plant_scene "$WORK/other"
plant_ini "$WORK/run" e2e-moved
start_unit --cuts 1,2 --speed 5 --events "$WORK/events.txt"
map_port COM1 "$WORK/com1"
start_program "$WORK/run"

body() { cat "$@" 2>/dev/null | grep -v '^time,' | LC_ALL=C sort || true; }
sent() { body "$WORK"/run/journal/*.csv "$WORK"/other/journal/*.csv; }
held() { body "$WORK"/plant/e2e-moved/journal/*.csv; }
# lines_not_in A B: the lines of A that B lacks.
lines_not_in() { LC_ALL=C comm -23 <(printf '%s\n' "$1") <(printf '%s\n' "$2"); }
# caught_up WHAT: kvdplant holds every line the journals had before it was read and none they did
# not have after, each once (60 s for them to come; the unit goes on playing meanwhile).
caught_up() {
  local before h after
  for _ in $(seq 600); do
    before=$(sent); h=$(held); after=$(sent)
    [ -n "$before" ] && [ -z "$(lines_not_in "$before" "$h")" ] && [ -z "$(lines_not_in "$h" "$after")" ] && break
    sleep 0.1
  done
  [ -z "$(lines_not_in "$before" "$h")" ] || fail "$1: kvdplant lacks $(lines_not_in "$before" "$h" | wc -l) of the journals' lines"
  if [ -n "$(lines_not_in "$h" "$after")" ]; then
    lines_not_in "$h" "$after" >&2
    fail "$1: kvdplant holds $(lines_not_in "$h" "$after" | wc -l) lines no journal has (above)"
  fi
  [ -z "$(uniq -d <<<"$h")" ] || fail "$1: a cycle stored twice"
  log "$1: $(wc -l <<<"$h") cycles, each once"
}
save_as() {
  driver command 32799 >/dev/null
  driver answer 15 1 "$(winepath -w "$1" 2>/dev/null)" >/dev/null || fail "no Save statistics as dialog"
}

wait_cycles "$WORK/events.txt" 5
caught_up "in the first folder"

# Into the other folder: a journal and an outbox of its own.
save_as "$WORK/other/moved.\$\$\$"
in_other() { [ "$(body "$WORK"/other/journal/*.csv | wc -l)" -ge 3 ]; }
wait_for 60 "three cycles in the other folder's journal" in_other
caught_up "in the other folder"

# And back: the first outbox goes on, numbered below the other's.
first=$(body "$WORK"/run/journal/*.csv | wc -l)
save_as "$WORK/run/Default.\$\$\$"
driver message 10 6 >/dev/null || true  # replace the file that is there
more_in_first() { [ "$(body "$WORK"/run/journal/*.csv | wc -l)" -ge $((first + 3)) ]; }
wait_for 60 "three more cycles in the first folder's journal" more_in_first
caught_up "back in the first folder"
log "PASS"
