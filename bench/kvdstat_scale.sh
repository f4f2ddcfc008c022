#!/usr/bin/env bash
# kvdstat at a plant's scale: `kvdstat summary` of a plant's year of journals against awk counting
# the cycles and the mean peak of the same files, side by side in one run, each with its elapsed
# time and peak memory (/usr/bin/time). Run by hand, never by the tests.
#
# usage: bench/kvdstat_scale.sh [FOLDER=/tmp/kvdstat-scale] [LINES=50000000] [RUNS=3]
#   FOLDER is written by bench/kvdstat_journals.py when it holds no journals yet (20 machines x
#   365 day files; 50 M lines are about 3.4 GB). KVDSTAT (default build/native/apps/kvdstat/kvdstat)
#   is the program measured; KVDSTAT_BEFORE, when set, another build measured beside it, whose
#   output must be the same byte for byte.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
folder=${1:-/tmp/kvdstat-scale}
lines=${2:-50000000}
runs=${3:-3}
kvdstat=${KVDSTAT:-$here/build/native/apps/kvdstat/kvdstat}
before=${KVDSTAT_BEFORE:-}

if ! compgen -G "$folder/*/journal/*.csv" >/dev/null; then
    echo "writing $lines lines to $folder ..."
    python3 "$here/bench/kvdstat_journals.py" "$folder" "$lines"
fi
files=("$folder"/*/journal/*.csv)
echo "$(du -sh "$folder" | cut -f1) in ${#files[@]} day files; $(nproc) cores; load $(cut -d' ' -f1-3 /proc/loadavg)"
cat "${files[@]}" >/dev/null  # every run reads from the page cache

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
measure() {  # name, command...: one run, its elapsed seconds and peak memory
    local name=$1
    shift
    /usr/bin/time -f "%e %M" -o "$out/time" "$@" >"$out/$name.out"
    read -r seconds kb <"$out/time"
    printf '%-16s %7.2f s  %8.1f MB\n' "$name" "$seconds" "$(echo "$kb / 1024" | bc -l)"
}
for ((run = 1; run <= runs; ++run)); do
    echo "run $run:"
    measure awk awk -F, '$1 != "time" { n++; s += $3 } END { printf "%d cycles, mean peak %.2f\n", n, s / n }' \
        "${files[@]}"
    measure kvdstat "$kvdstat" summary "$folder"/*/journal
    if [ -n "$before" ]; then
        measure kvdstat-before "$before" summary "$folder"/*/journal
        cmp -s "$out/kvdstat.out" "$out/kvdstat-before.out" || { echo "the outputs differ"; exit 1; }
    fi
done
echo "awk: $(cat "$out/awk.out")"
echo "kvdstat: the plant's cycles $(awk '/^Summary of the plant/ { p = 1 } p && /^cut/ { n += $3 } END { print n }' "$out/kvdstat.out")"
