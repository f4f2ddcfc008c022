#!/usr/bin/env bash
# Runs the serial link tests against stand-in units on pseudo-terminals, mapped to COM ports of
# the build's private Wine prefix, then checks what the units logged.
# Usage: run_link_tests.sh WINE_RUN PREFIX TEST_PROGRAM WORK_DIR KVDSIM
#   COM1: kvdsim, the simulated unit (streams frames, logs what it receives)
#   COM2: pty_peer.py, a unit that takes nothing (writes stay pending)
#   COM3: /dev/null (opens, but is no serial device)
#   COM4: pty_peer.py --answer, a unit that answers each frame with a word frame and a cycle end
#   COM5: the same after 38 samples, in one write of 162 bytes (a line without a pause)
#   COM16: mapped to nothing
set -euo pipefail
wine_run=$1 prefix=$2 tests=$3 work=$4 unit=${5:-}
[ -x "$unit" ] || { echo "no simulated unit at '$unit': build the native preset first" >&2; exit 1; }
here=$(cd "$(dirname "$0")" && pwd)
python=python3
[ -x /usr/bin/python3 ] && python=/usr/bin/python3  # a version manager's shim costs a second a start

rm -rf "$work"
mkdir -p "$work"
pids=()
stop_units() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    pids=()
}
trap stop_units EXIT

"$unit" --link "$work/com1" --log "$work/com1.log" >"$work/com1.out" 2>&1 &
pids+=($!)
"$python" "$here/pty_peer.py" --link "$work/com2" --log "$work/com2.log" &
pids+=($!)
"$python" "$here/pty_peer.py" --link "$work/com4" --log "$work/com4.log" --answer w150,c200 &
pids+=($!)
"$python" "$here/pty_peer.py" --link "$work/com5" --log "$work/com5.log" --answer "$(printf 'c30,%.0s' $(seq 38))w150,c200" &
pids+=($!)
# While the units start, map the ports. The registry holds the mapping for the next start of the
# prefix; the dosdevices links serve a wineserver that is already running (it resolves COMn
# through them), so no restart is needed and other tests in the same prefix are not disturbed.
cat >"$work/ports.reg" <<REG
REGEDIT4

[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]
"COM1"="$work/com1"
"COM2"="$work/com2"
"COM3"="/dev/null"
"COM4"="$work/com4"
"COM5"="$work/com5"
"COM16"=-
REG
"$wine_run" "$prefix" reg import "Z:$(printf '%s' "$work/ports.reg" | tr / '\\')" >/dev/null 2>&1
ln -sfn "$work/com1" "$prefix/dosdevices/com1"
ln -sfn "$work/com2" "$prefix/dosdevices/com2"
ln -sfn /dev/null "$prefix/dosdevices/com3"
ln -sfn "$work/com4" "$prefix/dosdevices/com4"
ln -sfn "$work/com5" "$prefix/dosdevices/com5"
rm -f "$prefix/dosdevices/com16"

for _ in $(seq 100); do
    [ -e "$work/com1" ] && [ -e "$work/com2" ] && [ -e "$work/com4" ] && [ -e "$work/com5" ] && break
    sleep 0.1
done
[ -e "$work/com1" ] && [ -e "$work/com2" ] && [ -e "$work/com4" ] && [ -e "$work/com5" ] ||
    { echo "the units did not create their ptys" >&2; exit 1; }

status=0
timeout 60 "$wine_run" "$prefix" "$tests" --gtest_filter='SerialLink.*' || status=$?
stop_units

# What the units received: the frames the tests sent, and nothing that should not have gone out.
expect() {  # file, pattern, should it be there (yes/no), what
    if grep -Eq "$2" "$1"; then found=yes; else found=no; fi
    if [ "$found" != "$3" ]; then
        echo "FAILED: $4 ($1: '$2' found: $found)" >&2
        status=1
    fi
}
expect "$work/com1.log" '^code 47( |$)' yes "code frame 47 reaches the unit"
expect "$work/com1.log" '^word 8508( |$)' yes "word frame 8508 reaches the unit"
expect "$work/com1.log" '^code 205( |$)' yes "code frame 205 reaches the unit"
expect "$work/com1.log" '^code 48( |$)' yes "a frame put after the open reaches the unit"
expect "$work/com1.log" '^code 99( |$)' no "a frame put while no port was open is dropped"
expect "$work/com2.log" '.' no "the held write never reached the unit"
expect "$work/com4.log" '^code 47( |$)' yes "the frame the answering unit answers reaches it"
expect "$work/com5.log" '^code 47( |$)' yes "the frame the bursting unit answers reaches it"
exit $status
