#!/usr/bin/env bash
# The program killed at 50 random moments while the unit ends cycles fast (several a second):
# Default.$$$ always loads, never goes back, keeps every entry it held, and holds every cycle the
# unit reported while the program ran, except at most the one being saved at the kill, one cut in
# two at the start and one still on its way through the line.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
rm -rf "$WORK"; mkdir -p "$WORK/run"
ensure_prefix
start_display 1024 768
# As fast as the program keeps up with under Wine and Xvfb on a shared machine.
start_unit --cuts 1 --speed 5 --idle-ms 0 --machining-ms 300 --events "$WORK/events.txt"
map_port COM1 "$WORK/com1"
# One Wine server for the whole run (after map_port, which waits for the server to end): a hundred
# short-lived programs, half of them killed, must not each meet a server that is ending after its
# last client. lib.sh ends it at exit.
wineserver -p >/dev/null 2>&1 </dev/null  # detached from the test's output
kills=${ZAVIZE_KILLS:-50}
saved=0
history=""
# start_for_kill: the program started as start_program does, but a start that Wine never brings to
# a window (seen once in a hundred kills: the driver waited for ever) is ended and tried again on
# a fresh Wine server, with a line in the log; the checks below stay as they are.
start_for_kill() {
  local attempt
  for attempt in 1 2; do
    launch_program "$WORK/run"
    window_appears && return 0
    log "kill $i: no window (attempt $attempt); Wine's server is started again"
    kill -9 "$PROGRAM_PID" 2>/dev/null || true
    wineserver -k >/dev/null 2>&1 </dev/null || true
    sleep 1
    wineserver -p >/dev/null 2>&1 </dev/null
  done
  fail "kill $i: the main window did not appear"
}
for i in $(seq "$kills"); do
  start_for_kill
  first=$(wc -l <"$WORK/events.txt")
  sleep "$((RANDOM % 2)).$((RANDOM % 10))"
  last=$(wc -l <"$WORK/events.txt")
  kill -9 "$PROGRAM_PID" 2>/dev/null || true
  wait_for 10 "kill $i: zavize.exe to end after kill -9" gone "$PROGRAM_PID"
  now=$(stats check "$WORK/run/Default.\$\$\$") || fail "kill $i: Default.\$\$\$ does not load"
  played=$(( last - first ))
  [ "$now" -ge "$saved" ] || fail "kill $i: the file went back from $saved to $now cycles"
  [ $(( now - saved )) -le $(( played + 1 )) ] || fail "kill $i: more cycles saved than played"
  [ $(( now - saved )) -ge $(( played - 3 )) ] ||
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
# The last start loads the file without a message, and without a kill every cycle is saved.
start_program "$WORK/run"
first=$(wc -l <"$WORK/events.txt")
driver no-message 3 || fail "a message at the start after the kills"
last=$(wc -l <"$WORK/events.txt")
sleep 2   # the program runs on for a while before it is closed
stop_program
now=$(stats check "$WORK/run/Default.\$\$\$") || fail "Default.\$\$\$ does not load at the end"
played=$(( last - first ))
[ $(( now - saved )) -ge $(( played - 1 )) ] || fail "last run: $(( now - saved )) cycles saved of $played"
log "last run: $played cycles played, $(( now - saved )) saved"
log "PASS"
