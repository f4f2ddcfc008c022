# Shared steps of the end-to-end tests and the demo: a display, the simulated unit on a pty,
# the COM mapping in a private Wine prefix, the program and its driver.
# Needs: ZAVIZE_BUILD (the win64 build folder), ZAVIZE_KVDSIM (the native kvdsim), WORK (a folder).

set -u
# The source tree (its python helpers); ctest names it, the release test and the scripts of
# tools/ take it from where this file lies.
ZAVIZE_SOURCE=${ZAVIZE_SOURCE:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
E2E_PIDS=()
E2E_PREFIX=${E2E_PREFIX:-$ZAVIZE_BUILD/wineprefix-e2e}
export WINEPREFIX=$E2E_PREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

log() { printf '[e2e %s] %s\n' "$(date +%T)" "$*" >&2; }
fail() { log "FAIL: $*"; exit 1; }

e2e_cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  for pid in "${E2E_PIDS[@]}"; do kill "$pid" >/dev/null 2>&1 || true; done
  for pid in "${E2E_PIDS[@]}"; do wait "$pid" >/dev/null 2>&1 || true; done
  E2E_PIDS=()
}
trap e2e_cleanup EXIT

# own_process PATTERN: the process whose name (its comm) matches, started in this prefix (the
# benches run Wine processes of their own beside others').
own_process() {
  local pid
  for pid in $(pgrep "$1" || true); do
    if { tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$E2E_PREFIX"; then
      echo "$pid"
      return 0
    fi
  done
  return 1
}

# The prefix is made once (a few seconds) and shared by the e2e tests of one lane, which run one at
# a time (ctest gives each lane a prefix of its own and runs the two side by side).
. "$(dirname "${BASH_SOURCE[0]}")/../../tools/wine-prefix.sh"
ensure_prefix() { wine_prefix "$E2E_PREFIX"; }

# wait_for SECONDS WHAT COMMAND...: runs COMMAND every 0.1 s until it succeeds. After SECONDS
# (whole seconds, the command's own time included) the test fails, saying what it waited for.
wait_for() {
  local seconds=$1 what=$2
  shift 2
  local end=$(($(date +%s%N) / 1000000 + seconds * 1000))
  until "$@"; do
    [ "$(($(date +%s%N) / 1000000))" -lt "$end" ] || fail "waited ${seconds} s for $what"
    sleep 0.1
  done
}
# Conditions for wait_for.
gone() { ! kill -0 "$1" 2>/dev/null; }
lines_at_least() { [ "$(wc -l <"$1" 2>/dev/null || echo 0)" -ge "$2" ]; }
logged() { grep -qE "$2" "$1" 2>/dev/null; }
# saved_cycles FILE CUT N: the statistics file holds N cycles of CUT (1..16).
saved_cycles() { [ "$(stats index "$1" "$2" 2>/dev/null)" = "$3" ]; }
# lamps [LAMP...]: the lamps of the 800x600 layout on screen, the named ones (comm, break, blunt,
# missing) red and the others green.
lamps() {
  screenshot "$WORK/screen.png"
  local ox oy
  read -r ox oy < <(driver client-origin)
  python3 "$ZAVIZE_SOURCE/tests/e2e/screens.py" lamps "$WORK/screen.png" 800 "$ox" "$oy" "$@" >/dev/null
}
# window_open CLASS: the program has a window of that class.
window_open() { driver window-rect "$1" >/dev/null 2>&1; }

# start_display WIDTH HEIGHT: a private X server; sets DISPLAY.
start_display() {
  local fd_file="$WORK/xvfb.display"
  rm -f "$fd_file"
  setsid Xvfb -displayfd 3 -screen 0 "${1}x${2}x24" -nolisten tcp 3>"$fd_file" >/dev/null 2>&1 &
  E2E_PIDS+=($!)
  wait_for 5 "Xvfb to start" test -s "$fd_file"
  export DISPLAY=":$(head -n1 "$fd_file")"
  log "display $DISPLAY ${1}x${2}"
}

# start_unit ARGS...: kvdsim on a pty linked at $WORK/com1.
start_unit() {
  rm -f "$WORK/com1"
  setsid "$ZAVIZE_KVDSIM" --link "$WORK/com1" "$@" >"$WORK/kvdsim.out" 2>&1 &
  UNIT_PID=$!
  E2E_PIDS+=($UNIT_PID)
  wait_for 5 "kvdsim to create its pty" test -e "$WORK/com1"
}

# stop_unit: ends the unit started last (its link goes with it).
stop_unit() {
  kill "$UNIT_PID" >/dev/null 2>&1 || true
  wait "$UNIT_PID" >/dev/null 2>&1 || true
}

# wait_cycles EVENTS N: until the unit's events file lists N cycles (30 s at most).
wait_cycles() { wait_for 30 "the unit to play $2 cycles" lines_at_least "$1" "$2"; }

# map_port COMn PATH: Wine reads the port mapping from the registry when its server starts.
map_port() {
  wine reg add 'HKLM\Software\Wine\Ports' /v "$1" /d "$2" /f >/dev/null 2>&1
  wineserver -w
}
unmap_port() {
  wine reg delete 'HKLM\Software\Wine\Ports' /v "$1" /f >/dev/null 2>&1 || true
  wineserver -w
}

# start_program FOLDER [EXE]: zavize.exe (the build's, or EXE: a Windows or Unix path) with FOLDER as
# working directory (its configuration lives there).
# With ZAVIZE_DESKTOP=NAME it runs in a Wine virtual desktop of DESKTOP_SIZE (WxH, 1024x768 when
# unset): the program takes that for its screen, and Wine draws the title bars (there is no window
# manager on the display). The driver joins the same desktop through ZAVIZE_DESKTOP.
# launch_program DIR [EXE]: starts the program in DIR (PROGRAM_PID); window_appears: whether its
# main window appears within 30 s (bounded even when Wine itself hangs); start_program: both.
launch_program() {
  local launcher=()
  [ -n "${ZAVIZE_DESKTOP:-}" ] && launcher=(explorer "/desktop=$ZAVIZE_DESKTOP,${DESKTOP_SIZE:-1024x768}")
  (cd "$1" && exec setsid wine "${launcher[@]}" "${2:-$ZAVIZE_BUILD/zavize.exe}") >"$WORK/zavize.out" 2>&1 &
  PROGRAM_PID=$!
  E2E_PIDS+=($PROGRAM_PID)
}
window_appears() { timeout 45 wine "$ZAVIZE_BUILD/tests/zavize_driver.exe" wait-window 30 >/dev/null 2>&1; }
start_program() {
  launch_program "$@"
  window_appears || fail "the main window did not appear"
}

# The statistics files' test tool (entries, indexes, histories).
stats() { python3 "$ZAVIZE_SOURCE/tests/e2e/stats_file.py" "$@"; }

# The driver's lines end in CR LF (a Win32 console program's text output).
driver() { wine "$ZAVIZE_BUILD/tests/zavize_driver.exe" "$@" | tr -d '\r'; }

# stop_program: closes the main window and waits for the process (fails on a hang).
stop_program() {
  driver close >/dev/null 2>&1 || true
  wait_for 10 "zavize.exe to end after WM_CLOSE" gone "$PROGRAM_PID"
}

screenshot() { import -window root "$1"; }

file_size() { stat -c %s "$1"; }

# The plant side. start_broker: mosquitto with the plant's shipped configuration
# (packaging/plant/mosquitto.conf and acl) on a free port of 127.0.0.1 (BROKER_PORT, kept for its
# restarts), its sessions, password file and ACL in $WORK/broker so a restart keeps kvdplant's
# queue. Every client signs in with plant_password USER: kvdplant, each machine of PLANT_MACHINES
# (a machine writes only its own topics), and watcher (all of kvd/#, for the scripts'
# mosquitto_sub: $(broker_login)). With BROKER_TLS=1 a TLS listener runs as well, on
# BROKER_TLS_PORT, its certificate for 127.0.0.1 and localhost signed by a test CA
# ($WORK/broker/ca/ca.crt, made by packaging/plant/make-test-ca.sh). stop_broker ends it as an
# administrator would. start_kvdplant FOLDER [ARGS...]: the collector into FOLDER, signed in.
PLANT_MACHINES=${PLANT_MACHINES:-"e2e-mill e2e-idle e2e-moved mill-1 mill-2 mill-3 lathe-3"}
plant_password() { printf 'pw-%s-7' "$1"; }
broker_login() { printf -- '-u watcher -P %s' "$(plant_password watcher)"; }
start_broker() {
  mkdir -p "$WORK/broker"
  # Started by root, mosquitto runs as its own user: it must be able to write its sessions here.
  chmod 0777 "$WORK/broker"
  if [ -z "${BROKER_PORT:-}" ]; then
    BROKER_PORT=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    local u listeners
    for u in kvdplant watcher $PLANT_MACHINES; do printf '%s:%s\n' "$u" "$(plant_password "$u")"; done >"$WORK/broker/passwd"
    mosquitto_passwd -U "$WORK/broker/passwd"
    { cat "$ZAVIZE_SOURCE/packaging/plant/acl"; printf '\nuser watcher\ntopic readwrite kvd/#\n'; } >"$WORK/broker/acl"
    plant_password kvdplant >"$WORK/broker/kvdplant.pw"
    if [ "${BROKER_TLS:-0}" = 1 ]; then
      BROKER_TLS_PORT=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
      "$ZAVIZE_SOURCE/packaging/plant/make-test-ca.sh" "$WORK/broker/ca" 127.0.0.1 localhost >/dev/null
      chmod 0644 "$WORK/broker/ca/broker.key"
      listeners=(-e "s|^listener 8883\$|listener $BROKER_TLS_PORT 127.0.0.1|"
        -e "s|^#listener 1883\$|listener $BROKER_PORT 127.0.0.1|" -e "s|^#use_username_as_clientid|use_username_as_clientid|")
    else
      listeners=(-e "s|^listener 8883\$|listener $BROKER_PORT 127.0.0.1|" -e "/^certfile\|^keyfile\|^tls_version/d")
    fi
    # The plant's own configuration, on these ports and with its files here.
    sed "${listeners[@]}" -e "s|/etc/mosquitto/kvd/broker|$WORK/broker/ca/broker|" \
      -e "s|/etc/mosquitto/kvd/|$WORK/broker/|" \
      -e "s|^persistence_location .*|persistence_location $WORK/broker/|" \
      "$ZAVIZE_SOURCE/packaging/plant/mosquitto.conf" >"$WORK/broker/mosquitto.conf"
  fi
  setsid mosquitto -c "$WORK/broker/mosquitto.conf" >>"$WORK/broker/log" 2>&1 &
  BROKER_PID=$!
  E2E_PIDS+=($BROKER_PID)
  for _ in $(seq 100); do
    (exec 3<>"/dev/tcp/127.0.0.1/$BROKER_PORT") 2>/dev/null && return 0
    sleep 0.05
  done
  fail "mosquitto did not start on port $BROKER_PORT"
}
stop_broker() {
  kill "$BROKER_PID" >/dev/null 2>&1 || true
  wait "$BROKER_PID" >/dev/null 2>&1 || true
}
start_kvdplant() {
  setsid "$(dirname "$ZAVIZE_KVDSIM")/../kvdplant/kvdplant" --folder "$1" --port "$BROKER_PORT" \
    --user kvdplant --password-file "$WORK/broker/kvdplant.pw" "${@:2}" \
    >"$WORK/kvdplant.out" 2>"$WORK/kvdplant.log" &
  PLANT_PID=$!
  E2E_PIDS+=($PLANT_PID)
}
# plant_ini FOLDER MACHINE: the monitor in FOLDER publishes to the broker as MACHINE, signed in
# as MACHINE (one of PLANT_MACHINES).
plant_ini() {
  case " $PLANT_MACHINES " in *" $2 "*) ;; *) fail "plant_ini: $2 is not in PLANT_MACHINES: the broker has no user for it" ;; esac
  printf '[plant]\r\nenabled=1\r\nhost=127.0.0.1\r\nport=%s\r\nmachine=%s\r\nuser=%s\r\npassword=%s\r\n' \
    "$BROKER_PORT" "$2" "$2" "$(plant_password "$2")" >"$1/ZAVIze.ini"
}

# A fresh work folder (run/, plant/ and any folders named), the display, the broker and kvdplant
# collecting into plant/: the scene every plant link scenario starts from.
start_plant_scene() {
  rm -rf "$WORK"; mkdir -p "$WORK/run" "$WORK/plant" "$@"
  ensure_prefix
  start_display 1024 768
  start_broker
  start_kvdplant "$WORK/plant"
}
