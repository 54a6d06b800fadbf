#!/usr/bin/env bash
# Makes a CUPS queue "TarvikPDF" with the CUPS-PDF driver the default printer, so the engine's
# printing test prints for real. Idempotent: run it as often as you like.
# Needs the packages cups and printer-driver-cups-pdf, and root (cupsd, lpadmin).
set -euo pipefail

QUEUE=TarvikPDF
die() { echo "cups-pdf-setup: $*" >&2; exit 1; }

command -v cupsd >/dev/null || [ -x /usr/sbin/cupsd ] || die "cups is not installed (apt-get install cups printer-driver-cups-pdf)"
[ -e /usr/lib/cups/backend/cups-pdf ] || die "printer-driver-cups-pdf is not installed"
PATH="$PATH:/usr/sbin"

if ! lpstat -r 2>/dev/null | grep -q "is running"; then
  if command -v systemctl >/dev/null && systemctl is-system-running >/dev/null 2>&1; then
    systemctl start cups || true
  fi
  if ! lpstat -r 2>/dev/null | grep -q "is running"; then
    cupsd || die "cupsd does not start"
  fi
  for _ in $(seq 1 50); do
    lpstat -r 2>/dev/null | grep -q "is running" && break
    sleep 0.2
  done
  lpstat -r 2>/dev/null | grep -q "is running" || die "the CUPS scheduler is not running"
fi

if ! lpstat -p "$QUEUE" >/dev/null 2>&1; then
  ppd=$(lpinfo -m 2>/dev/null | grep -i 'cups-pdf' | head -n 1 | awk '{print $1}')
  if [ -z "$ppd" ] && [ -e /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd ]; then
    ppd=lsb/usr/cups-pdf/CUPS-PDF_opt.ppd
  fi
  [ -n "$ppd" ] || die "no CUPS-PDF driver is known to CUPS (lpinfo -m)"
  lpadmin -p "$QUEUE" -v cups-pdf:/ -m "$ppd" -E
fi
# The queue takes PostScript; the cairo renderer turns the PDF into PostScript with glyph
# names, so the PDF that CUPS-PDF makes again keeps its text (the default renderer loses it and
# pdftotext then reads symbols).
lpadmin -p "$QUEUE" -o pdftops-renderer-default=pdftocairo
cupsenable "$QUEUE"
cupsaccept "$QUEUE"
lpadmin -d "$QUEUE"

out=/var/spool/cups-pdf/ANONYMOUS
if [ -r /etc/cups/cups-pdf.conf ]; then
  conf_out=$(awk '/^Out[ \t]/ {print $2}' /etc/cups/cups-pdf.conf | tail -n 1)
  [ -n "$conf_out" ] && out="$conf_out"
fi
echo "cups-pdf-setup: $QUEUE is the default printer ($(lpstat -d 2>/dev/null))."
echo "cups-pdf-setup: PDFs land in $out (\${USER} is the job's user; root's jobs go to ANONYMOUS or root)."
