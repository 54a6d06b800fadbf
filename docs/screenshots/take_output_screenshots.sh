#!/usr/bin/env bash
# Takes monthly-report-viewer.png, group-tree-in-use.png and year-end-report-viewer.png under
# Xvfb: the program's frame with the departmental runners' reports in modeless viewers, on a
# demo data folder (log-in demo/demo). Needs xvfb and a build with the output_screenshots target.
#   take_output_screenshots.sh BIN_DIR DATA_FOLDER
# The pictures were taken on: tarvik-demo-db --out DIR --scale 0.2 --to 01/31/2026 --months 13
set -euo pipefail
BIN=$(realpath "$1"); DATA=$(realpath "$2")
OUT="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
xvfb-run -a -s "-screen 0 1400x900x24" "$BIN/output_screenshots" "$DATA" "$OUT"
echo "wrote $OUT/monthly-report-viewer.png, group-tree-in-use.png, year-end-report-viewer.png"
