#!/usr/bin/env bash
# Four figures of the source tree, read with universal ctags (no build needed):
#  (a) process-wide mutable globals in shell/: every variable defined at namespace scope (named or
#      anonymous namespace, or file scope) and every static data member, less those declared const
#      or constexpr. Pointers to const data ("const char* p") are mutable and counted; "extern"
#      declarations are not definitions and are not counted. Locals and function-static variables
#      are not process-wide state of a layer and are left out.
#  (b) the Invalidate calls in link/ (an identifier starting with Invalidate followed by "(").
#  (c) the ten longest functions of the program (every layer, apps/, tools/ and bench/; tests
#      excluded), with file:line and length in lines from the line of the name to the closing
#      brace.
#  (d) the same count as (a) for every layer and every program (their tests left out), each object
#      listed with file:line and, below it, why it stays (the table `reasons` below; an object
#      without an entry says so), and the total of the layers.
#   tools/code-metrics.sh [-v]     (-v lists the globals of (a) one per line)
set -euo pipefail
cd "$(dirname "$0")/.."
verbose=${1:-}

layers=(model trend text files link view sheet print journal plant stats shell)
programs=(apps/kvdsim apps/kvdstat apps/kvdplant apps/kvdfile)

# The mutable namespace-scope objects of the files named on standard input, "file:line  text".
mutable_objects() {
  local files
  files=$(cat)
  [[ -n $files ]] || return 0
  # shellcheck disable=SC2086
  ctags -x --language-force=C++ --kinds-C++=vm --extras=-q $files |
    awk '
    # The first line of the declaration that defines the name on line `line` of `file`: the
    # lines before it up to the end of the previous statement, a comment, a blank line or a
    # preprocessor line belong to it ("constexpr int a = 1,\n b = 2;" defines b as constexpr).
    function declaration(file, line,    n, text, i, previous) {
      if (!(file in loaded)) {
        n = 0
        while ((getline text < file) > 0) source[file, ++n] = text
        close(file)
        loaded[file] = 1
      }
      for (i = line; i > 1; --i) {
        previous = source[file, i - 1]
        sub(/\/\/.*/, "", previous)
        sub(/[ \t]+$/, "", previous)
        if (previous == "" || previous ~ /[;{}]$/ || previous ~ /^[ \t]*#/) break
      }
      text = source[file, i]
      sub(/^[ \t]+/, "", text)
      return text
    }
    {
      kind = $2; where = $4 ":" $3; text = declaration($4, $3)
      if (kind == "member" && text !~ /^static /) next
      if (text ~ /^(static +)?(inline +)?(thread_local +)?constexpr /) next
      # const data, but not a pointer to const data ("const char* p"), which may be pointed anew
      bare = text; gsub(/"[^"]*"/, "\"\"", bare)  # a * inside a string is no pointer
      if (bare ~ /^(static +)?(inline +)?(thread_local +)?const / && (bare !~ /\*/ || bare ~ /\* *const /)) next
      if (text ~ /^extern /) next
      if (text ~ /\* *const /) next  # a const pointer
      print where "  " text
    }' | sort -t: -k1,1 -k2,2n
}

# The sources of a folder, its tests left out.
sources_of() {
  find "$1" \( -name '*.cpp' -o -name '*.h' \) -not -path '*/tests/*' -not -path '*/build/*' | sort
}

globals() { sources_of shell | mutable_objects | sed 's/^[^ ]*  //'; }

echo "(a) process-wide mutable globals in shell/: $(globals | wc -l)"
if [[ $verbose == -v ]]; then globals | sed 's/^/    /'; fi

count=$(grep -rEo '\bInvalidate[A-Za-z]*\(' link/ | wc -l || true)
echo "(b) Invalidate calls in link/: $count"
grep -rEn '\bInvalidate[A-Za-z]*\(' link/ | sed 's/^/    /' || true

echo "(c) longest functions (lines, file:line, name):"
files=$(find "${layers[@]}" apps tools bench \
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
  }' | sort -rn | sed -n '1,10p'  # reads to the end: no SIGPIPE under pipefail

# Why each object that remains stays: its name, a tab, the reason. Those the platform forces are
# said so; those merely not moved yet are said so too.
reasons=$(cat <<'END'
gTextLanguage	every text lookup reads the language by id alone (the views, the messages, the dialog procedures Windows calls with no record of ours): it points at the monitor's configuration, named once at start
gInstance	the platform hands the instance once to WinMain, and the window and dialog procedures that need it have no parameter for it
gStop	a signal handler has no parameter for the program's state
tRefusing	the HTTP library hands the server's socket handler the socket alone: the accepting thread tells it so that it refuses
END
)

# "file:line  definition" lines on standard input, each followed by the reason its name has.
with_reasons() {
  awk -v reasons="$reasons" '
    BEGIN {
      n = split(reasons, lines, "\n")
      for (i = 1; i <= n; ++i) {
        tab = index(lines[i], "\t")
        if (tab > 0) why[substr(lines[i], 1, tab - 1)] = substr(lines[i], tab + 1)
      }
    }
    {
      print "    " $0
      reason = "(no reason given: it should be moved)"
      for (name in why)
        if (match($0, "[^A-Za-z0-9_]" name "[^A-Za-z0-9_]")) reason = why[name]
      print "        why: " reason
    }'
}

echo "(d) mutable namespace-scope objects of every layer and program (file:line, definition):"
total=0
for folder in "${layers[@]}" "${programs[@]}"; do
  found=$(sources_of "$folder" | mutable_objects)
  n=$(grep -c . <<<"$found" || true)
  echo "  $folder: $n"
  if [[ -n $found ]]; then with_reasons <<<"$found"; fi
  if [[ $folder != apps/* ]]; then total=$((total + n)); fi
  if [[ $folder == "${layers[-1]}" ]]; then echo "  layers total: $total"; fi
done
