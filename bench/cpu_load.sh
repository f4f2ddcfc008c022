#!/usr/bin/env bash
# CPU the running program costs: zavize.exe under Wine + Xvfb against kvdsim, once under load
# (cycles without end at the unit's highest sample rate, 300 a second) and once at rest (the unit
# connected, streaming its idle samples and reports, but playing no cycle). Prints, for each state
# and run, the CPU time of the zavize.exe process, of the wineserver of its prefix and of the X
# server over a fixed window, as a share of one core, and each busy thread's ticks and switches. CPU time, not wall time, is measured, so
# other work on the machine changes the figures little; each state is run twice all the same.
#   bench/cpu_load.sh [SECONDS=30] [RUNS=2]
# Needs the native and win64 builds. ZAVIZE_BUILD names another folder holding zavize.exe and
# tests/zavize_driver.exe (another version of the program, to compare). ZAVIZE_BEFORE names a
# second such folder measured in the same session: each run then measures both programs in both
# states, interleaved (the order of the two turns each run), so that what else the machine does
# weighs on both alike, and the end prints each one's median. With ZAVIZE_PERF=1 the first load
# run is also recorded with perf (call graphs of zavize.exe) into $WORK/perf-load.data.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
window=${1:-30}
runs=${2:-2}
export ZAVIZE_BUILD=${ZAVIZE_BUILD:-$top/build/win64} ZAVIZE_KVDSIM=$top/build/native/apps/kvdsim/kvdsim
export WORK=$top/build/bench-cpu
# A prefix of its own, so the wineserver measured serves this benchmark only.
export E2E_PREFIX=$top/build/win64/wineprefix-bench
rm -rf "$WORK"
mkdir -p "$WORK"
source "$top/tests/e2e/lib.sh"
hz=$(getconf CLK_TCK)

# utime + stime of a process, in clock ticks.
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

# threads PID: "tid ticks voluntary-switches" for each thread of a process, sorted by tid.
threads() {
  local t
  for t in /proc/"$1"/task/*; do
    echo "${t##*/} $(awk '{ print $14 + $15 }' "$t/stat") $(awk '/^voluntary_ctxt_switches/ { print $2 }' "$t/status")"
  done | sort
}

share() { awk -v t="$1" -v hz="$hz" -v s="$window" 'BEGIN { printf "%.1f %%", 100 * t / hz / s }'; }

# measure STATE RUN KVDSIM-ARGS...: one program start, SETTLE seconds, then the window.
measure() {
  local state=$1 run=$2
  shift 2
  local dir=$WORK/$state-$run-$label
  mkdir -p "$dir/run"
  start_unit --cuts 1,2,3 --events "$dir/events.txt" "$@"
  start_program "$dir/run"
  sleep 5  # start-up, the unit's first reports and, under load, the first cycle
  local prog server xvfb
  prog=$(own_process '^zavize\.exe$') || fail "no zavize.exe process"
  server=$(own_process '^wineserver(64)?$') || fail "no wineserver of the prefix"
  xvfb=${E2E_PIDS[0]}  # start_display's Xvfb
  local p0 s0 x0 c0 p1 s1 x1 c1
  c0=$(wc -l <"$dir/events.txt")
  p0=$(ticks "$prog"); s0=$(ticks "$server"); x0=$(ticks "$xvfb")
  threads "$prog" >"$dir/threads-0"
  if [ "${ZAVIZE_PERF:-0}" = 1 ] && [ "$state" = load ] && [ "$run" = 1 ]; then
    perf record -q -g -o "$WORK/perf-load.data" -p "$prog" -- sleep "$window" >/dev/null 2>&1
  else
    sleep "$window"
  fi
  p1=$(ticks "$prog"); s1=$(ticks "$server"); x1=$(ticks "$xvfb")
  threads "$prog" >"$dir/threads-1"
  c1=$(wc -l <"$dir/events.txt")
  printf '%-6s %-5s run %d: zavize.exe %s, wineserver %s, Xvfb %s of one core over %ds (%d cycles played)\n' \
    "$label" "$state" "$run" "$(share $((p1 - p0)))" "$(share $((s1 - s0)))" "$(share $((x1 - x0)))" \
    "$window" $((c1 - c0))
  echo "$label $state $((p1 - p0 + s1 - s0))" >>"$WORK/totals.txt"
  # Each busy thread of zavize.exe: its clock ticks and voluntary context switches a second (under
  # Wine nearly every one is a round trip to the wineserver).
  printf '       threads: %s\n' "$(join "$dir/threads-0" "$dir/threads-1" |
    awk -v s="$window" '$4 > $2 || $5 - $3 > s { printf "%s %d ticks %d switches/s; ", $1, $4 - $2, ($5 - $3) / s }')"
  stop_program
  stop_unit
}

ensure_prefix
# COM1 is mapped once to the path every run's unit links; then one server, kept for all runs and
# quiet (a server that ends lists its objects on its standard error), serves every start.
map_port COM1 "$WORK/com1"
wineserver -p >/dev/null 2>&1
start_display 1024 768
after=$ZAVIZE_BUILD
builds=(after)
[ -n "${ZAVIZE_BEFORE:-}" ] && builds=(before after)
for ((run = 1; run <= runs; ++run)); do
  order=("${builds[@]}")
  ((run % 2 == 0)) && [ ${#builds[@]} = 2 ] && order=(after before)
  for label in "${order[@]}"; do
    if [ "$label" = before ]; then ZAVIZE_BUILD=$ZAVIZE_BEFORE; else ZAVIZE_BUILD=$after; fi
    # Under load: cycles without end, 300 samples a second in real time.
    measure load "$run" --rate 300
    # At rest: connected, the same sample rate, but the pause before the first cycle lasts an hour.
    measure rest "$run" --rate 300 --idle-ms 3600000
  done
done
# Each program's median of zavize.exe plus its wineserver, in each state, and load minus rest.
for label in "${builds[@]}"; do
  for state in load rest; do
    awk -v l="$label" -v s="$state" '$1 == l && $2 == s { print $3 }' "$WORK/totals.txt" | sort -n |
      awk -v l="$label" -v s="$state" -v hz="$hz" -v w="$window" \
        '{ v[NR] = $1 } END { m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
          printf "%s_%s=%.1f\n", l, s, 100 * m / hz / w }'
  done
done >"$WORK/medians.txt"
while IFS== read -r key value; do declare "$key=$value"; done <"$WORK/medians.txt"
for label in "${builds[@]}"; do
  l=${label}_load r=${label}_rest
  printf '%-6s median zavize.exe + wineserver: load %s %%, rest %s %%, load adds %s points\n' "$label" \
    "${!l}" "${!r}" "$(awk -v a="${!l}" -v b="${!r}" 'BEGIN { printf "%.1f", a - b }')"
done
