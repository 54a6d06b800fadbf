#!/usr/bin/env bash
# Takes chart-aging.png, chart-revenue-breakdown.png, chart-year-end.png and
# chart-daily-services.png: the page of each report that holds its chart, as
# `tarvik-reports run` writes it to PDF, at 100 dpi. Use a copy of the data (the procedures write
# tables) and a password file of the demo user.
#   take_chart_screenshots.sh BIN_DIR DATA_FOLDER PASSWORD_FILE
# The pictures were taken on the scale-1 demo hospital (tarvik-demo-db --out DIR: 13 months to
# 12/08/2026): aging and revenue of November 2026, the laboratory's year 2026 to November, the
# services of December 7, 2026.
set -euo pipefail
BIN=$(realpath "$1"); DATA=$(realpath "$2"); PW=$(realpath "$3")
OUT="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

run() {
  QT_QPA_PLATFORM=offscreen "$BIN/tarvik-reports" run "$@" --data "$DATA" --user demo \
    --password-file "$PW" --pdf "$WORK" >/dev/null
}

# The first page whose text holds the chart's title.
page_of() {
  local pdf=$1 title=$2 pages
  pages=$(pdfinfo "$pdf" | awk '/^Pages:/ {print $2}')
  for p in $(seq 1 "$pages"); do
    if pdftotext -f "$p" -l "$p" "$pdf" - | grep -q "$title"; then echo "$p"; return; fi
  done
  echo "no page of $pdf shows \"$title\"" >&2
  exit 1
}

shoot() {
  local pdf=$1 title=$2 name=$3 page
  page=$(page_of "$pdf" "$title")
  pdftoppm -r 100 -png -singlefile -f "$page" -l "$page" "$pdf" "$OUT/$name"
  echo "wrote $OUT/$name.png (page $page of $(basename "$pdf"))"
}

run after-end-of-month --month 11/2026 --reports aging-computation,breakdown-of-departmental-revenue
run year-end-laboratory-report --year 2026 --month 11
run daily-summary-of-services --date 12/07/2026

shoot "$WORK/Aging (Computation) 11-2026.pdf" "Balances by age" chart-aging
shoot "$WORK/Breakdown of Departmental Revenue 11-2026.pdf" "Revenue by department" chart-revenue-breakdown
shoot "$WORK/Year End Laboratory Summary Report 2026.pdf" "Count by month" chart-year-end
shoot "$WORK/Daily Summary Of Services 12-07-2026.pdf" "Cash and charge by department" chart-daily-services
