#!/bin/sh
# Runs a Windows program under Wine with a private prefix (first argument), created on first use.
# The user's ~/.wine is never touched.
prefix=$1
shift
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
. "$(dirname "$0")/wine-prefix.sh"
wine_prefix "$prefix"

# A Wine process that loses its connection to the prefix's server (seen when it connects while the
# server, shared by several tests, is ending) dies with "wine client error". That is Wine's failure,
# not a result of the program: run it again, twice at most. Any other failure is the program's own
# and is passed on as it is.
err=$(mktemp "${TMPDIR:-/tmp}/wine-run.XXXXXX") || exit 1
attempt=1
while :; do
  wine "$@" 2>"$err"
  rc=$?
  cat "$err" >&2
  if [ "$rc" -ne 0 ] && [ "$attempt" -lt 3 ] && grep -q '^wine client error' "$err"; then
    echo "wine-run: Wine lost its server connection; starting the program again" >&2
    attempt=$((attempt + 1))
    sleep 1
    continue
  fi
  rm -f "$err"
  exit "$rc"
done
