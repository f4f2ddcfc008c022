#!/usr/bin/env bash
# The program killed at 50 random moments while the unit ends a cycle every few tenths of a second:
# Default.$$$ always loads, never goes back, and holds every cycle the unit reported while the
# program ran, except at most the one being saved at the kill and one cut in two at the start.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
stats() { python3 "$(dirname "$0")/stats_file.py" "$@"; }
rm -rf "$WORK"; mkdir -p "$WORK/run"
ensure_prefix
start_display 1024 768
start_unit --cuts 1 --speed 40 --idle-ms 0 --machining-ms 300 --events "$WORK/events.txt"
map_port COM1 "$WORK/com1"
kills=${ZAVIZE_KILLS:-50}
saved=0
history=""
for i in $(seq "$kills"); do
  start_program "$WORK/run"
  first=$(wc -l <"$WORK/events.txt")
  sleep "$((RANDOM % 2)).$((RANDOM % 10))"
  last=$(wc -l <"$WORK/events.txt")
  kill -9 "$PROGRAM_PID" 2>/dev/null || true
  wait "$PROGRAM_PID" 2>/dev/null || true
  now=$(stats check "$WORK/run/Default.\$\$\$") || fail "kill $i: Default.\$\$\$ does not load"
  played=$(( last - first ))
  [ "$now" -ge "$saved" ] || fail "kill $i: the file went back from $saved to $now cycles"
  [ $(( now - saved )) -ge $(( played - 2 )) ] ||
    fail "kill $i: $(( now - saved )) cycles saved of $played played while the program ran"
  # What was saved before stays as it was.
  if [ "$saved" -gt 0 ]; then
    [ "$(stats entries "$WORK/run/Default.\$\$\$" 1 "$saved")" = "$history" ] ||
      fail "kill $i: saved entries changed"
  fi
  saved=$now
  history=$(stats entries "$WORK/run/Default.\$\$\$" 1 "$saved")
  log "kill $i: $played cycles played, $saved saved in all"
done
# The last start loads the file without a message.
start_program "$WORK/run"
driver no-message 3 || fail "a message at the start after the kills"
stop_program
log "PASS"
