#!/usr/bin/env bash
# A first start in an empty folder creates ZAVIze.cnf (280 bytes, the defaults) and Default.$$$
# (1,600,096 bytes) without any message; choosing an absent port shows the port message and keeps
# the file's port; a language switch rewrites the configuration.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
rm -rf "$WORK"; mkdir -p "$WORK/run"
ensure_prefix
start_display 1024 768
start_unit --cycles 1000 --speed 4
map_port COM1 "$WORK/com1"
map_port COM2 "$WORK/absent-com2"   # a device that does not exist
start_program "$WORK/run"

driver no-message 4 || fail "a message appeared at the first start"
[ "$(file_size "$WORK/run/ZAVIze.cnf")" = 280 ] || fail "ZAVIze.cnf is not 280 bytes"
[ "$(file_size "$WORK/run/Default.\$\$\$")" = 1600096 ] || fail "Default.\$\$\$ is not 1,600,096 bytes"
python3 - "$WORK/run/ZAVIze.cnf" <<'PY'
import struct, sys
b = open(sys.argv[1], 'rb').read()
port, = struct.unpack_from('<H', b, 0)
name = b[2:258].split(b'\0')[0]
view, lang = struct.unpack_from('<HH', b, 258)
assert (port, name, view, lang) == (1, b'Default.$$$', 2, 0), (port, name, view, lang)
assert b[262:280] == bytes(18)
PY
log "first start: files created, no message"

driver command 32863   # Communication / COM 2: nothing there
out=$(driver message 10) || fail "no message for the absent COM 2"
echo "$out" | grep -q 'caption=Communication' || fail "wrong caption: $out"
echo "$out" | grep -q 'text=Comm Port occupied or non-existing' || fail "wrong text: $out"
python3 -c "import sys; b=open(sys.argv[1],'rb').read(); assert b[0]==1 and b[1]==0, b[:2]" "$WORK/run/ZAVIze.cnf" \
  || fail "the failed port reached the configuration file"
log "absent COM 2: message 114, file keeps COM 1"

driver command 34200   # Language / German
language_saved() {
  python3 -c "import sys,struct; b=open(sys.argv[1],'rb').read(); sys.exit(struct.unpack_from('<H',b,260)[0]!=200)" "$WORK/run/ZAVIze.cnf"
}
wait_for 10 "the language switch to rewrite the configuration" language_saved
log "language switch: configuration rewritten with German"
stop_program
log "PASS"
