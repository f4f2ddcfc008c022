#!/usr/bin/env bash
# The parameter sheet against the simulated unit: the sheet of cut 3 asks the unit for its values
# (code 47); OK sends exactly the two changed fields, the unit applies them and reports them back,
# and the sheet opened again shows them; Cancel after a confirmed Apply sends the old value back;
# with no unit connected the question comes first and No opens nothing.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
rm -rf "$WORK"; mkdir -p "$WORK/run"
ensure_prefix
start_display 1024 768
start_unit --wait-peer --cuts 3 --speed 1 --log "$WORK/unit.log" --events "$WORK/events.txt"
map_port COM1 "$WORK/com1"
start_program "$WORK/run"
driver no-message 2 || fail "a message appeared at start"

readonly CUT3=32780 BREAK_LIMIT=1000 BLUNT_DELAY=1003
words() { grep -c '^word' "$WORK/unit.log" || true; }
wait_log() { wait_for 10 "a line like '$1' in the unit's log" logged "$WORK/unit.log" "$1"; }
words_at_least() { [ "$(words)" -ge "$1" ]; }
sheet_value() { driver sheet-get "$1" "$2"; }

# Step 1: the sheet of cut 3 opens without a question and sends code 47 first.
driver command $CUT3
caption=$(driver sheet 10) || fail "the sheet did not open"
[ "$caption" = "caption=KVD settings, Cut# 3" ] || fail "sheet caption: $caption"
wait_log '^code 47'
v=$(sheet_value 0 $BREAK_LIMIT); [ "$v" = 50 ] || fail "Break Limit shows \"$v\", not the unit's 50"

# Step 2: Break Limit 65 and Blunt Delay 2.5 s, then OK: exactly those two words reach the unit.
driver sheet-set 0 $BREAK_LIMIT 65
driver sheet-set 1 $BLUNT_DELAY 2.5
driver sheet-press ok
wait_log '^word [0-9]+ cut 2 param breakLimit value 65 applied'
wait_log '^word [0-9]+ cut 2 param bluntDelay value 25 applied'
sleep 1   # a second in which no third word may arrive
[ "$(words)" = 2 ] || fail "expected exactly two words, the unit got: $(grep '^word' "$WORK/unit.log")"
log "OK sent Break Limit 65 and Blunt Delay 25 to cut 3"

# Step 3: the unit reported them back: the sheet opened again shows the unit's new values.
driver command $CUT3
driver sheet 10 >/dev/null || fail "the sheet did not open again"
[ "$(sheet_value 0 $BREAK_LIMIT)" = 65 ] || fail "Break Limit after the report: $(sheet_value 0 $BREAK_LIMIT)"
[ "$(sheet_value 1 $BLUNT_DELAY)" = 2.5 ] || fail "Blunt Delay after the report: $(sheet_value 1 $BLUNT_DELAY)"

# Step 4: Apply Break Limit 80, let the unit confirm it, then Cancel: 65 goes back.
driver sheet-set 0 $BREAK_LIMIT 80
driver sheet-press apply
wait_log 'breakLimit value 80 applied'
# The unit's report of 80 reaches the monitor behind the whole set it reports for the sheet's
# code 47 (about 300 words, a second or more of the line): give it three.
sleep 3
driver sheet-press cancel
wait_for 10 "the word that Cancel sends" words_at_least 4
last=$(grep '^word' "$WORK/unit.log" | tail -n1)
[[ "$last" =~ cut\ 2\ param\ breakLimit\ value\ 65\ applied ]] || fail "Cancel sent: $last"
sleep 1   # a second in which no further word may arrive
[ "$(words)" = 4 ] || fail "Cancel sent more than the Break Limit: $(grep '^word' "$WORK/unit.log")"
log "Cancel sent the confirmed Break Limit back to 65"

# Step 5: without the unit, the question comes first and No opens nothing.
stop_unit
wait_for 5 "the watchdog to declare the unit lost (Comm lamp red)" lamps comm
driver command $CUT3
answer=$(driver message 10 7) || fail "no question without a unit"
grep -q 'KVD not connected' <<<"$answer" || fail "question: $answer"
driver no-message 2 || fail "No opened something"
log "without a unit: the question, and No opened nothing"

stop_program
log "PASS"
