#!/usr/bin/env bash
# Resident memory of the running program beside Wine's own notepad on the same display and prefix:
# notepad first (Wine's libraries and a window, nothing of ours), then zavize.exe at rest (the unit
# connected, idle samples and reports, no cycle) and under load (cycles of cuts 1..3 at the unit's
# highest rate, 300 samples a second). Each is read after it settled, from /proc: the resident
# size (VmRSS) and the private part of it (Private_Clean + Private_Dirty of smaps_rollup, what the
# process alone holds), and the difference to notepad's. The program starts as in a shop, with a
# statistics file in use that holds a history (cuts 1..3 full, 50,000 cycles each).
#   bench/memory_vs_notepad.sh [SETTLE_SECONDS=20] [RUNS=2]
# Needs the native and win64 builds. The program measured is a stripped copy of the build's, as the
# release ships it (a debug build's sections are read into memory with the image). ZAVIZE_BUILD
# names another folder holding zavize.exe and tests/zavize_driver.exe (another version).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
settle=${1:-20}
runs=${2:-2}
build=${ZAVIZE_BUILD:-$top/build/win64}
export ZAVIZE_KVDSIM=$top/build/native/apps/kvdsim/kvdsim
export WORK=$top/build/bench-memory-notepad
export E2E_PREFIX=$top/build/win64/wineprefix-bench-memory
rm -rf "$WORK"
mkdir -p "$WORK/program/tests"
x86_64-w64-mingw32-strip -o "$WORK/program/zavize.exe" "$build/zavize.exe"
ln -s "$build/tests/zavize_driver.exe" "$WORK/program/tests/zavize_driver.exe"
export ZAVIZE_BUILD=$WORK/program
source "$top/tests/e2e/lib.sh"

# "RSS PRIVATE" in kB.
memory() {
  local rss private
  rss=$(awk '/^VmRSS/ { print $2 }' "/proc/$1/status")
  private=$(awk '/^Private_(Clean|Dirty)/ { s += $2 } END { print s }' "/proc/$1/smaps_rollup")
  echo "$rss $private"
}
report() {  # NAME RSS PRIVATE
  printf '%-16s run %d: resident %6d kB, private %6d kB' "$1" "$run" "$2" "$3"
  if [ -n "${notepad_rss:-}" ]; then
    printf ' (notepad +%d kB resident, +%d kB private)' $(($2 - notepad_rss)) $(($3 - notepad_private))
  fi
  printf '\n'
}

# The statistics file in use: the block's image, cuts 1..3 wrapped (every entry held).
python3 - "$WORK/history.\$\$\$" <<'PY'
import random, struct, sys
random.seed(7)
indexes = [1234 if c < 3 else 0 for c in range(16)]
wrapped = [1 if c < 3 else 0 for c in range(16)]
block = bytearray(struct.pack("<16H16H16H", *([0] * 16), *indexes, *wrapped))
for c in range(16):
    block += bytes(v for _ in range(50000) for v in (random.randint(20, 90), random.randint(10, 60))) \
        if c < 3 else bytes(100000)
assert len(block) == 1600096
open(sys.argv[1], "wb").write(block)
PY

ensure_prefix
map_port COM1 "$WORK/com1"
wineserver -p >/dev/null 2>&1
start_display 1024 768
for ((run = 1; run <= runs; ++run)); do
  unset notepad_rss notepad_private
  (exec setsid wine notepad) >/dev/null 2>&1 &
  E2E_PIDS+=($!)
  sleep "$settle"
  pid=$(own_process '^notepad\.exe$') || fail "no notepad.exe process"
  read -r rss private < <(memory "$pid")
  kill "$pid"
  report notepad "$rss" "$private"
  notepad_rss=$rss notepad_private=$private
  for state in rest load; do
    mkdir -p "$WORK/$state-$run/run"
    if [ "$state" = rest ]; then
      start_unit --cuts 1,2,3 --rate 300 --idle-ms 3600000
    else
      start_unit --cuts 1,2,3 --rate 300
    fi
    cp "$WORK/history.\$\$\$" "$WORK/$state-$run/run/Default.\$\$\$"
    start_program "$WORK/$state-$run/run"
    sleep "$settle"
    pid=$(own_process '^zavize\.exe$') || fail "no zavize.exe process"
    read -r rss private < <(memory "$pid")
    report "zavize.exe $state" "$rss" "$private"
    stop_program
    stop_unit
  done
done
