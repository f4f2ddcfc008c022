#!/usr/bin/env bash
# Checks that parameter set files written by the program open in a spreadsheet as a table: writes
# one file per language with the program's own writer (kvdfile), has LibreOffice read each as
# tab-separated text and save it again as tab-separated text, and checks the table: 24 rows, the
# labels of the file in column A, the cut numbers and 16 values per cut row in columns B..Q.
# Skips (exit 0) when LibreOffice is not installed; it is not part of the CI machine.
set -euo pipefail
cd "$(dirname "$0")/.."

if ! command -v soffice >/dev/null 2>&1; then
  echo "check-kvd-spreadsheet: skipped: soffice (LibreOffice Calc) is not installed"
  exit 0
fi

kvdfile=build/native/apps/kvdfile/kvdfile
if [ ! -x "$kvdfile" ]; then
  cmake --preset native >/dev/null
  cmake --build --preset native --target kvdfile -j2 >/dev/null
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C  # the labels are code page 1252 bytes: compare bytes

for lang in en de da; do
  "$kvdfile" write "$work/$lang.kvd" "$lang" >/dev/null
done

# Tab (9) as separator, " (34) as text delimiter, code page 1252 (1) in and out, from line 1.
filter='Text - txt - csv (StarCalc)'
soffice -env:UserInstallation="file://$work/profile" --headless \
  --infilter="$filter:9,34,1,1" --convert-to "csv:$filter:9,34,1" --outdir "$work/out" \
  "$work/en.kvd" "$work/de.kvd" "$work/da.kvd" >"$work/soffice.log" 2>&1 || {
  cat "$work/soffice.log"
  exit 1
}

failed=0
for lang in en de da; do
  kvd="$work/$lang.kvd"
  csv="$work/out/$lang.csv"
  problems=$(awk -F '\t' -v kvd="$kvd" '
    BEGIN { while ((getline line < kvd) > 0) { n++; split(line, f, "\t"); label[n] = f[1] } }
    {
      a = $1; gsub(/^"|"$/, "", a)
      if (a != label[NR]) printf "row %d: column A is [%s], the file has [%s]\n", NR, a, label[NR]
      if (NR >= 6) {
        if (NF != 17) printf "row %d: %d columns, not 17\n", NR, NF
        for (i = 2; i <= 17; i++) {
          if ($i !~ /^[0-9]+(\.[0-9]+)?$/) printf "row %d column %d: [%s] is not a number\n", NR, i, $i
          if (NR == 6 && $i != i - 1) printf "row 6 column %d: [%s], not cut %d\n", i, $i, i - 1
        }
      }
    }
    END { if (NR != 24 || n != 24) printf "%d rows in the table, %d lines in the file, not 24\n", NR, n }
  ' "$csv")
  if [ -n "$problems" ]; then
    echo "check-kvd-spreadsheet: $lang: FAILED"
    echo "$problems"
    failed=1
  else
    echo "check-kvd-spreadsheet: $lang: ok: 24 rows, the file's labels in column A, 16 cuts in columns B..Q"
  fi
done
exit $failed
