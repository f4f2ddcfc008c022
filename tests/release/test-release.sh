#!/usr/bin/env bash
# The release as a user gets it (build/release/, made by tools/make-release.sh), under Wine:
#   1. each zip holds its program (of the right machine type and version), README.txt and the
#      licence texts;
#   2. the installer, run silently into a fresh prefix with the plant link's settings on its command
#      line (as for a fleet), installs the program, a Start-menu shortcut, the uninstall entry and
#      the data folder's ZAVIze.ini; the shortcut (read back through the shell's link interface)
#      starts the installed program in the per-user data folder, where the program creates its
#      files, protects the password the roll-out added by hand, and publishes the unit's cycles to
#      the broker (the plant's configuration) under the computer's name; a CA file that is not
#      there stops the install before anything is written;
#   3. the silent uninstall removes the program, the shortcut and the entry, and keeps the data
#      folder with its files;
#   4. the program from the 64-bit zip, started in its unpacked folder against kvdsim, records the
#      unit's cycles in its statistics file there.
# Needs the native build (kvdsim) and the win64 build (the driver and release_probe).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
export ZAVIZE_BUILD=${ZAVIZE_BUILD:-$source_dir/build/win64}
export ZAVIZE_KVDSIM=${ZAVIZE_KVDSIM:-$source_dir/build/native/apps/kvdsim/kvdsim}
release=${ZAVIZE_RELEASE:-$source_dir/build/release}
export WORK=${WORK:-$ZAVIZE_BUILD/release-test}
export E2E_PREFIX=$WORK/prefix
source "$source_dir/tests/e2e/lib.sh"
# The shortcuts the installer makes must not become menu entries of the Linux desktop.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"
started=$(date +%s)

version=$(sed -n 's/^#define ZAVIZE_VERSION_TEXT "\(.*\)"$/\1/p' "$ZAVIZE_BUILD/generated/zavize_version.h")
[ -n "$version" ] || fail "no version in $ZAVIZE_BUILD/generated/zavize_version.h"
setup=$release/ZavIze-$version-setup.exe
for f in "$setup" "$release/ZavIze-$version-win64.zip" "$release/ZavIze-$version-win32.zip"; do
  [ -f "$f" ] || fail "$f is missing (run tools/make-release.sh)"
done

probe() { wine "$ZAVIZE_BUILD/tests/release/release_probe.exe" "$@" | tr -d '\r'; }
field() { sed -n "s/^$1=//p"; }   # a key=value line of the probe's output
expect() { [ "$2" = "$3" ] || fail "$1: expected '$3', got '$2'"; }
winenv() { wine cmd /c echo "%$1%" | tr -d '\r'; }
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\ZavIze'
reg_value() { wine reg query "$uninstall_key" /v "$1" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$1 *REG_[A-Z_]* *//p"; }

rm -rf "$WORK"; mkdir -p "$WORK"
# The display first: the prefix's desktop process, started by the first program, keeps the display
# it found.
start_display 1024 768
ensure_prefix
map_port COM1 "$WORK/com1"   # kvdsim's link, made when a unit starts
# One server for the whole run, its output aside (a server that ends on its own lists every object
# left over); it lingers 30 s after its last client.
wineserver -p30 2>/dev/null || true

# --- 1. The zips -------------------------------------------------------------------------------
for arch in win64 win32; do
  unzip -q "$release/ZavIze-$version-$arch.zip" -d "$WORK/$arch"
  dir=$WORK/$arch/ZavIze-$version-$arch
  for f in zavize.exe kvdstat.exe README.txt licenses/mingw-w64-runtime.txt licenses/gcc-runtime.txt licenses/GPL-3.txt; do
    [ -s "$dir/$f" ] || fail "$arch zip: $f is missing"
  done
  grep -q 'winpthreads' "$dir/licenses/mingw-w64-runtime.txt" || fail "$arch zip: no winpthreads notice"
  grep -q 'GCC RUNTIME LIBRARY EXCEPTION' "$dir/licenses/gcc-runtime.txt" || fail "$arch zip: no runtime exception"
  grep -q "^ZavIze $version - " "$dir/README.txt" || fail "$arch zip: README.txt does not name version $version"
  grep -q 'ZAVIze.cnf' "$dir/README.txt" || fail "$arch zip: README.txt does not say where the files are kept"
  machine=$(python3 -c 'import struct,sys; b=open(sys.argv[1],"rb").read(); o=struct.unpack_from("<I",b,0x3c)[0]; assert b[o:o+4]==b"PE\0\0"; print(hex(struct.unpack_from("<H",b,o+4)[0]))' "$dir/zavize.exe")
  case $arch in win64) expect "$arch machine" "$machine" 0x8664 ;; win32) expect "$arch machine" "$machine" 0x14c ;; esac
  expect "$arch FileVersion" "$(probe version "$(winepath -w "$dir/zavize.exe")" | field file)" "$version"
done
log "zips: programs (x86-64 and i386, version $version), README.txt and licences"

# --- 2. Silent install into the fresh prefix --------------------------------------------------
# The plant's broker with a user for this PC: the machine name the program takes by itself is the
# computer's, other characters made '-'.
machine=$(winenv COMPUTERNAME | sed 's/[^A-Za-z0-9_.-]/-/g')
PLANT_MACHINES=$machine
mkdir -p "$WORK/plant"
start_broker
start_kvdplant "$WORK/plant"
status=0
wine "$setup" /S /PLANT_HOST=127.0.0.1 '/PLANT_CAFILE=C:\no\plant-ca.pem' >/dev/null 2>&1 || status=$?
expect "exit code with a missing CA file" "$status" 2
wine reg query "$uninstall_key" >/dev/null 2>&1 && fail "the install went on without its CA file"
wine "$setup" /S /PLANT_HOST=127.0.0.1 "/PLANT_PORT=$BROKER_PORT" "/PLANT_USER=$machine" || fail "the silent install failed"
program_dir='C:\Program Files\ZavIze'
data_dir="$(winenv LOCALAPPDATA)\\ZavIze"
link="$(winenv APPDATA)\\Microsoft\\Windows\\Start Menu\\Programs\\ZavIze.lnk"
program_unix=$(winepath -u "$program_dir"); data_unix=$(winepath -u "$data_dir"); link_unix=$(winepath -u "$link")
for f in zavize.exe kvdstat.exe uninstall.exe README.txt licenses/mingw-w64-runtime.txt; do
  [ -s "$program_unix/$f" ] || fail "not installed: $program_dir\\$f"
done
[ -f "$link_unix" ] || fail "no Start-menu shortcut $link"
[ -d "$data_unix" ] || fail "no data folder $data_dir"
[ "$(ls -A "$data_unix")" = ZAVIze.ini ] || fail "the data folder holds more than ZAVIze.ini: $(ls -A "$data_unix")"
ini=$(tr -d '\r' <"$data_unix/ZAVIze.ini")
for line in '[plant]' enabled=1 host=127.0.0.1 "port=$BROKER_PORT" "user=$machine"; do
  grep -qxF "$line" <<<"$ini" || fail "the data folder's ZAVIze.ini lacks $line: $ini"
done
grep -q '^machine=' <<<"$ini" && fail "the installer wrote a machine name of its own: $ini"
grep -q 'password' <<<"$ini" && fail "the installer wrote a password: $ini"
# The roll-out's tool puts this PC's password in by hand; the program protects it at its start.
printf 'password=%s\r\n' "$(plant_password "$machine")" >>"$data_unix/ZAVIze.ini"
expect DisplayName "$(reg_value DisplayName)" ZavIze
expect DisplayVersion "$(reg_value DisplayVersion)" "$version"
expect DisplayIcon "$(reg_value DisplayIcon)" "$program_dir\\zavize.exe,0"
expect UninstallString "$(reg_value UninstallString)" "\"$program_dir\\uninstall.exe\""
expect "installed FileVersion" "$(probe version "$program_dir\\zavize.exe" | field file)" "$version"

shortcut=$(probe link "$link") || fail "the shortcut cannot be read"
target=$(field target <<<"$shortcut"); workdir=$(field workdir <<<"$shortcut")
expect "shortcut target" "$target" "$program_dir\\zavize.exe"
expect "shortcut working directory" "$workdir" "$data_dir"
expect "shortcut icon" "$(field icon <<<"$shortcut")" "$program_dir\\zavize.exe,0"
log "installed: program, shortcut ($target in $workdir), uninstall entry $version"

# The installed program started as the shortcut says: its files appear in the data folder.
start_unit --cycles 1000 --speed 4
start_program "$(winepath -u "$workdir")" "$target"
driver no-message 3 || fail "a message appeared at the first start of the installed program"
[ "$(file_size "$data_unix/ZAVIze.cnf")" = 280 ] || fail "no 280-byte ZAVIze.cnf in the data folder"
[ "$(file_size "$data_unix/Default.\$\$\$")" = 1600096 ] || fail "no 1,600,096-byte Default.\$\$\$ in the data folder"
wait_for 30 "kvdplant to store a cycle of $machine" \
  bash -c "cat '$WORK/plant/$machine'/journal/*.csv 2>/dev/null | grep -vq '^time,'"
grep -qF "$(plant_password "$machine")" "$data_unix/ZAVIze.ini" && fail "the password is still in plain text"
grep -q '^password_protected=' "$data_unix/ZAVIze.ini" || fail "the password was not protected at the start"
stop_program
stop_unit
log "started through the shortcut: ZAVIze.cnf and Default.\$\$\$ in $data_dir, cycles published as $machine"

# --- 3. Silent uninstall ----------------------------------------------------------------------
# The uninstaller copies itself away and returns at once; the copy does the work.
wine "$program_dir\\uninstall.exe" /S || fail "the silent uninstall failed"
wait_for 30 "the uninstaller to remove the program folder" test ! -e "$program_unix"
[ ! -e "$link_unix" ] || fail "the Start-menu shortcut is still there"
wine reg query "$uninstall_key" >/dev/null 2>&1 && fail "the uninstall entry is still there"
[ "$(file_size "$data_unix/ZAVIze.cnf")" = 280 ] || fail "the uninstall took ZAVIze.cnf"
[ "$(file_size "$data_unix/Default.\$\$\$")" = 1600096 ] || fail "the uninstall took Default.\$\$\$"
log "uninstalled: program, shortcut and entry gone, data folder kept"

# --- 4. The zip's program against the simulated unit, in its unpacked folder ------------------
zip_dir=$WORK/win64/ZavIze-$version-win64
cycles=3
start_unit --wait-peer --cuts 2 --cycles "$cycles" --speed 5 --events "$WORK/events.txt"
start_program "$zip_dir" "$zip_dir/zavize.exe"
driver no-message 2 || fail "a message appeared at the start of the zip's program"
wait_cycles "$WORK/events.txt" "$cycles"
wait_for 10 "the save of cycle $cycles" saved_cycles "$zip_dir/Default.\$\$\$" 2 "$cycles"
stop_program
python3 - "$zip_dir/Default.\$\$\$" "$WORK/events.txt" <<'PY' || fail "the statistics in the zip's folder do not hold the unit's cycles"
import re, struct, sys
block = open(sys.argv[1], 'rb').read()
events = [tuple(map(int, re.match(r'cycle \d+ cut (\d+) peak (\d+) work (\d+)', l).groups())) for l in open(sys.argv[2])]
write_index = struct.unpack_from('<16H', block, 32)
assert write_index == tuple(len(events) if c == 1 else 0 for c in range(16)), write_index
for i, (cut, peak, work) in enumerate(events):
    off = 96 + (cut - 1) * 100000 + 2 * i
    assert (block[off], block[off + 1]) == (peak, work), (i, block[off:off + 2], peak, work)
PY
log "zip's program: $cycles cycles of cut 2 recorded in its own folder"
log "PASS ($(($(date +%s) - started)) s)"
