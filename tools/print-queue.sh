#!/usr/bin/env bash
# The print queue the printing tests use: the CUPS scheduler, started when none runs, and a queue
# "PDF" of the cups-pdf backend as the default printer. Each job lands as a PDF file in $HOME/PDF
# of the printing user (for root: /root/PDF, the "Out" line of /etc/cups/cups-pdf.conf).
set -euo pipefail
[ "$(id -u)" -eq 0 ] || exec sudo "$0" "$@"
command -v cupsd >/dev/null || { echo "print-queue: cups is not installed (tools/setup.sh)" >&2; exit 1; }
if ! pgrep -x cupsd >/dev/null; then
  /usr/sbin/cupsd
  for _ in $(seq 100); do lpstat -r 2>/dev/null | grep -q 'is running' && break; sleep 0.1; done
fi
if ! lpstat -p PDF >/dev/null 2>&1; then
  lpadmin -p PDF -v cups-pdf:/ -E -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
fi
lpadmin -d PDF
