#!/usr/bin/env bash
# A statistics file in use that fails to load keeps its whole history while the unit plays
# cycles: the program says so at start and in its caption, and writes nothing into the file until
# the user decides (here: Load statistics). Played for a file cut short (as a full disk or an
# interrupted copy leaves it) and for one another program holds open without sharing, and for a
# Load statistics that fails again.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
rm -rf "$WORK"; mkdir -p "$WORK/run"
ensure_prefix
start_display 1024 768
start_unit --cuts 1 --speed 20 --idle-ms 0 --machining-ms 300 --events "$WORK/events.txt"
map_port COM1 "$WORK/com1"
run=$WORK/run
marker="Failed saving statistics"

# File names are typed as full paths: the dialogs of the program start in the folder the last
# dialog used, which another test may have left elsewhere.

# expect_message TEXT: the program shows a message box with TEXT, and it is answered.
expect_message() {
  local got; got=$(driver message 15) || fail "no message box (expected '$1')"
  grep -qF "text=$1" <<<"$got" || fail "message was '$got', expected '$1'"
}
caption_marked() {  # yes|no: whether the caption says that cycles are not saved
  local has
  caption=$(driver caption)
  if grep -qF "$marker" <<<"$caption"; then has=yes; else has=no; fi
  [ "$has" = "$1" ]
}
expect_caption() { wait_for 5 "the caption's not-saved marker to be '$1'" caption_marked "$1"; }
# load_statistics FILE: Load statistics, with FILE chosen in the dialog.
load_statistics() {
  driver command 32800
  driver file-dialog 15 "$(winepath -w "$1" 2>/dev/null)" || fail "no file dialog"
}
cycles_now() { wc -l <"$WORK/events.txt"; }
wait_more_cycles() { wait_cycles "$WORK/events.txt" $(( $(cycles_now) + $1 )); }

# ---- 1. cut short ------------------------------------------------------------------------------
stats history "$run/history.\$\$\$" 3000
head -c 1500000 "$run/history.\$\$\$" >"$run/Default.\$\$\$"
cp "$run/Default.\$\$\$" "$WORK/short.orig"
start_program "$run"
expect_message "Failed importing statistics: 30007"
expect_caption yes
wait_more_cycles 5
cmp -s "$run/Default.\$\$\$" "$WORK/short.orig" || fail "the short file was written"
log "cut short: the file kept its 1,500,000 bytes through 5 cycles"

# Load statistics of the same file fails again, and still nothing is written into it.
load_statistics "$run/Default.\$\$\$"
expect_message "Failed importing statistics: 30007"
wait_more_cycles 3
cmp -s "$run/Default.\$\$\$" "$WORK/short.orig" || fail "the short file was written after a failed load"
expect_caption yes
log "failed Load statistics: the file is still untouched"

# The user loads a good file: it becomes the file in use and the cycles go into it.
cp "$run/history.\$\$\$" "$run/good.\$\$\$"
load_statistics "$run/good.\$\$\$"
driver no-message 2 || fail "loading a good file showed a message"
expect_caption no
wait_more_cycles 3
saved_at_least() { held=$(stats index "$1" 1) && [ "$held" -ge "$2" ]; }
wait_for 10 "good.\$\$\$ to hold 3000 + 3 cycles of cut 1" saved_at_least "$run/good.\$\$\$" 3003
cmp -s "$run/Default.\$\$\$" "$WORK/short.orig" || fail "the short file was written after the switch"
log "Load statistics of a good file: autosave resumed there ($held cycles)"
stop_program

# ---- 2. held open without sharing by another program -------------------------------------------
rm -f "$run"/*.\$\$\$ "$run/ZAVIze.cnf"
stats history "$run/Default.\$\$\$" 2000
cp "$run/Default.\$\$\$" "$WORK/held.orig"
(cd "$run" && exec wine "$ZAVIZE_BUILD/tests/zavize_driver.exe" hold 12 'Default.$$$') >"$WORK/holder.out" 2>&1 &
holder=$!
E2E_PIDS+=($holder)
wait_for 10 "the holder to open the file" logged "$WORK/holder.out" held
start_program "$run"
expect_message "Failed importing statistics: 32"   # ERROR_SHARING_VIOLATION
expect_caption yes
wait_more_cycles 3
wait "$holder" || true   # the other program lets go; the user has not decided yet
wait_more_cycles 3
cmp -s "$run/Default.\$\$\$" "$WORK/held.orig" || fail "the file held by another program was written"
log "sharing violation: the file kept its history, also after the other program let go"

# Load statistics of the same file, now free: it loads, and the autosave resumes into it.
load_statistics "$run/Default.\$\$\$"
driver no-message 2 || fail "loading the freed file showed a message"
expect_caption no
wait_more_cycles 3
wait_for 10 "Default.\$\$\$ to hold 2000 + 3 cycles of cut 1" saved_at_least "$run/Default.\$\$\$" 2003
[ "$(stats entries "$run/Default.\$\$\$" 2 1000)" = "$(stats entries "$WORK/held.orig" 2 1000)" ] ||
  fail "the history of cut 2 changed"
log "freed file loaded: autosave resumed ($held cycles), cut 2's history intact"
stop_program
log "PASS"
