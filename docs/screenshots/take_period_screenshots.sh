#!/usr/bin/env bash
# Takes frmReportPeriod.png, frmAging.png, frmReportPeriodOthers.png, frmAuditTrail.png,
# frmAuditTrailMonthly.png and the viewers of the aging summary of all accounts at net
# (viewer-aging-summary-all-at-net.png) and of the revenue breakdown at its physicians' part
# (viewer-breakdown-with-doctors.png) from the period dialogs' test, for the month before the
# data's server clock. The data folder is written to (recomputes, a test user): give a copy.
#   take_period_screenshots.sh BIN_DIR DATA_COPY "yyyy-mm-ddThh:mm:ss"
# The pictures were taken on a copy of a scale-1 demo hospital (tarvik-demo-db --to 12/08/2026)
# with the clock 2026-12-08T09:30:00, so for November 2026.
set -euo pipefail
BIN=$(realpath "$1"); DATA=$(realpath "$2")
OUT="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
TARVIK_SCREENSHOT_DIR="$OUT" TARVIK_SCREENSHOT_DATA="$DATA" TARVIK_SCREENSHOT_CLOCK="$3" \
  QT_QPA_PLATFORM=offscreen "$BIN/test_period_dialogs" screenshots
