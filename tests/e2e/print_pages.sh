#!/usr/bin/env bash
# Printing through a real spooler: CUPS with a PDF queue as Wine's default printer. Each of the
# four print commands, confirmed in the page-setup dialog, gives a one-page PDF whose text and
# picture are checked (printed_pages.py); Cancel in the dialog prints nothing and shows nothing.
# With ZAVIZE_SCREENS_OUT=FOLDER (relative: to the source tree) the pages also go there as PNG.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
rm -rf "$WORK"; mkdir -p "$WORK/run" "$WORK/pages"
"$here/../../tools/print-queue.sh" >/dev/null 2>&1 || fail "no print queue (tools/setup.sh installs cups)"
pdf_dir=$HOME/PDF
mkdir -p "$pdf_dir"

ensure_prefix
start_display 1024 768
# The unit's parameters hold four-character values, each cut's its own: the printed cells must
# read back apart.
python3 "$here/printed_pages.py" kvd "$WORK/unit.kvd"
start_unit --wait-peer --cuts 1 --speed 4 --cycles 3 --events "$WORK/events.txt" --params "$WORK/unit.kvd"
map_port COM1 "$WORK/com1"
start_program "$WORK/run"
wait_cycles "$WORK/events.txt" 3
sleep 1   # the last cycle end and its repaint

# new_pdf MARK SECONDS: the first complete PDF written after MARK, or nothing.
new_pdf() {
  local f
  for _ in $(seq $(( $2 * 10 ))); do
    f=$(find "$pdf_dir" -name '*.pdf' -newer "$1" | head -n1)
    if [ -n "$f" ] && pdfinfo "$f" >/dev/null 2>&1; then echo "$f"; return; fi
    sleep 0.1
  done
}

# print_page COMMAND KIND: the command, OK in the page-setup dialog, the page that arrives.
print_page() {
  local mark=$WORK/mark-$2 pdf
  touch "$mark"; sleep 0.01
  driver command "$1"
  driver answer 15 1 >/dev/null || fail "$2: no page-setup dialog"
  pdf=$(new_pdf "$mark" 30)
  [ -n "$pdf" ] || fail "$2: no PDF arrived in $pdf_dir"
  mv "$pdf" "$WORK/pages/$2.pdf"
  driver no-message 1 >/dev/null || fail "$2: a message appeared"
  python3 "$here/printed_pages.py" "$2" "$WORK/pages/$2.pdf" || fail "$2: the page is not as mapped"
}

print_page 32819 active
print_page 32820 power
print_page 32821 work
print_page 32822 parameters

# Cancel in the page-setup dialog: no job, no message.
touch "$WORK/mark-cancel"; sleep 0.01
driver command 32822
driver answer 15 2 >/dev/null || fail "cancel: no page-setup dialog"
driver no-message 3 >/dev/null || fail "cancel: a message appeared"
[ -z "$(new_pdf "$WORK/mark-cancel" 5)" ] || fail "cancel: a page was printed"
log "Cancel printed nothing and showed nothing"

out=${ZAVIZE_SCREENS_OUT:-}
if [ -n "$out" ]; then
  case $out in /*) ;; *) out=${ZAVIZE_SOURCE:-$PWD}/$out ;; esac
  mkdir -p "$out"
  for kind in active power parameters; do
    pdftoppm -png -r 60 -singlefile "$WORK/pages/$kind.pdf" "$out/printed-$kind"
  done
fi
stop_program
log "PASS"
