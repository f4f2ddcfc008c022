# The one place that makes a private Wine prefix, sourced by the Wine runners and by the
# end-to-end, release and benchmark scripts (POSIX sh). Tests that start at once may ask for the
# same prefix: the first makes it under the prefix's lock, the others wait on the lock and find it
# made. The user's ~/.wine is never touched.

# wine_prefix PREFIX: creates PREFIX (wineboot, then waits for its server) unless it exists.
wine_prefix() {
  [ -f "$1/system.reg" ] && return 0
  mkdir -p "$(dirname "$1")"
  (
    flock 9
    if [ ! -f "$1/system.reg" ]; then
      WINEPREFIX="$1" WINEDEBUG=-all WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}" \
        wineboot -i >/dev/null 2>&1
      WINEPREFIX="$1" wineserver -w
    fi
  ) 9>"$1.lock"
}
