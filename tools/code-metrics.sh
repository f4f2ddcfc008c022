#!/usr/bin/env bash
# Three figures of the source tree, read with universal ctags (no build needed):
#  (a) process-wide mutable globals in shell/: every variable defined at namespace scope (named or
#      anonymous namespace, or file scope) and every static data member, less those declared const
#      or constexpr. Pointers to const data ("const char* p") are mutable and counted; "extern"
#      declarations are not definitions and are not counted. Locals and function-static variables
#      are not process-wide state of a layer and are left out.
#  (b) the Invalidate calls in link/ (an identifier starting with Invalidate followed by "(").
#  (c) the ten longest functions of the program (every layer, tools/ and bench/; tests excluded),
#      with file:line and length in lines from the line of the name to the closing brace.
#   tools/code-metrics.sh [-v]     (-v lists the globals of (a) one per line)
set -euo pipefail
cd "$(dirname "$0")/.."
verbose=${1:-}

globals() {
  ctags -x --language-force=C++ --kinds-C++=vm --extras=-q shell/*.cpp shell/*.h |
    awk '{
      kind = $2; $1 = $2 = $3 = $4 = ""; text = $0
      sub(/^ +/, "", text)
      if (kind == "member" && text !~ /^static /) next
      if (text ~ /^(static +)?(inline +)?(constexpr|const) /) next
      if (text ~ /^extern /) next
      print
    }'
}

echo "(a) process-wide mutable globals in shell/: $(globals | wc -l)"
if [[ $verbose == -v ]]; then globals | sed 's/^/    /'; fi

count=$(grep -rEo '\bInvalidate[A-Za-z]*\(' link/ | wc -l || true)
echo "(b) Invalidate calls in link/: $count"
grep -rEn '\bInvalidate[A-Za-z]*\(' link/ | sed 's/^/    /' || true

echo "(c) longest functions (lines, file:line, name):"
files=$(find model text files link view sheet print journal shell tools bench \
  \( -name '*.cpp' -o -name '*.h' \) -not -path '*/build/*' -not -path '*/tests/*' | sort)
# shellcheck disable=SC2086
ctags -f - --language-force=C++ --kinds-C++=f --fields=+ne $files |
  awk -F'\t' '{
    line = end = 0
    for (i = 4; i <= NF; ++i) {
      if ($i ~ /^line:/) line = substr($i, 6)
      if ($i ~ /^end:/) end = substr($i, 5)
    }
    if (line > 0 && end >= line) printf "%5d  %s:%d  %s\n", end - line + 1, $2, line, $1
  }' | sort -rn | head -10
