#!/usr/bin/env bash
# The statistics file in use cannot be written while the unit plays cycles (made immutable, as a
# read-only or locked file would be): the caption says the cycles are not saved and one message
# gives the system's number, however many cycles fail. Writable again, the next cycle end saves
# and the file holds every cycle since the start. A close while the last save failed asks whether
# to save the statistics elsewhere, and the file chosen then holds every cycle too. A drive that
# fails, recovers and fails again while the first message is open shows its next message only
# after that one is closed: one box at a time.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
run=$WORK/run
inuse="$run/Default.\$\$\$"
release() { chattr -i "$inuse" >/dev/null 2>&1 || true; e2e_cleanup; }
trap release EXIT
release
rm -rf "$WORK"; mkdir -p "$run"
ensure_prefix
start_display 1024 768
start_unit --wait-peer --cuts 1 --speed 20 --idle-ms 0 --machining-ms 300 --events "$WORK/events.txt"
map_port COM1 "$WORK/com1"
marker=" - Failed saving statistics"

expect_caption() {  # yes|no: whether the caption says that cycles are not saved (within 5 s)
  local caption has
  for _ in $(seq 10); do
    caption=$(driver caption)
    if grep -qF "$marker" <<<"$caption"; then has=yes; else has=no; fi
    [ "$has" = "$1" ] && return 0
    sleep 0.5
  done
  fail "caption '$caption' (marker expected: $1)"
}
cycles_now() { wc -l <"$WORK/events.txt"; }
wait_more_cycles() { wait_cycles "$WORK/events.txt" $(( $(cycles_now) + $1 )); }
# The unit plays faster than the program stores (each cycle end writes 1.6 MB): what the program
# has stored is the index of cut 1 in a file.
stored() { stats index "$1" 1 2>/dev/null || echo 0; }
# holds_every_cycle FILE N: FILE holds at least N cycles, each the unit's, in order (within 24 s).
holds_every_cycle() {
  local n
  for _ in $(seq 120); do n=$(stored "$1"); [ "$n" -ge "$2" ] && break; sleep 0.2; done
  [ "$n" -ge "$2" ] || fail "$1 holds $n cycles, not at least $2"
  local want; want=$(head -n "$n" "$WORK/events.txt" | sed -E 's/.* peak ([0-9]+) work ([0-9]+).*/\1\/\2/' | tr '\n' ' ')
  local got; got=$(stats entries "$1" 1 "$n" | tr '\n' ' ')
  [ "${got%% }" = "${want%% }" ] || fail "$1 does not hold the $n cycles played: '$got' / '$want'"
}

start_program "$run"
wait_cycles "$WORK/events.txt" 3
expect_caption no

# 1. Unwritable: the caption says so, one message with the number, no second one.
chattr +i "$inuse"
before=$(stored "$inuse")
got=$(driver message 15) || fail "no message when the autosave failed"
grep -qE "text=Failed saving statistics: [0-9]+" <<<"$got" || fail "message was '$got'"
expect_caption yes
wait_more_cycles 3
driver no-message 3 || fail "a second message for the same run of failures"
expect_caption yes
log "autosave failing: '$got', caption marked, one message"

# 1b. Recovered and failing again while the message is open: still one box; the next run's
#     message comes once it is closed.
chattr -i "$inuse"
holds_every_cycle "$inuse" $((before + 2))
chattr +i "$inuse"
[ "$(driver message-count 15)" = 1 ] || fail "no message for the second run of failures"
chattr -i "$inuse"
holds_every_cycle "$inuse" $(( $(stored "$inuse") + 2 ))
chattr +i "$inuse"
wait_more_cycles 3
[ "$(driver message-count 1)" = 1 ] || fail "a box stacked on the open one"
driver message 5 >/dev/null || fail "the open box could not be closed"
driver message 15 >/dev/null || fail "the third run's message was lost"
log "recovered and failing again: one box at a time"

# 2. Writable again: the next cycle end saves every cycle, the caption is plain.
chattr -i "$inuse"
holds_every_cycle "$inuse" $((before + 4))
expect_caption no
log "autosave back: the file holds every cycle, caption plain"

# 3. Failing again at the close: the program asks, and Yes saves elsewhere before it ends.
chattr +i "$inuse"
before=$(stored "$inuse")
driver message 15 >/dev/null || fail "no message for the new run of failures"
driver close
got=$(driver message 15 6) || fail "no question at the close"
grep -qF "Save the statistics elsewhere?" <<<"$got" || fail "question was '$got'"
driver answer 15 1 "$(winepath -w "$run/elsewhere.\$\$\$" 2>/dev/null)" >/dev/null || fail "no Save statistics as dialog"
for _ in $(seq 200); do kill -0 "$PROGRAM_PID" 2>/dev/null || break; sleep 0.05; done
kill -0 "$PROGRAM_PID" 2>/dev/null && fail "the program did not end after the question"
holds_every_cycle "$run/elsewhere.\$\$\$" $((before + 1))
log "PASS"
