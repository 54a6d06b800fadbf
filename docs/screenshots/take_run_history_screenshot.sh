#!/usr/bin/env bash
# Takes run-history.png from the real program under Xvfb: logs in as the demo user, opens
# Window > Run History, and grabs the screen. Needs xvfb, xdotool and imagemagick. The data
# folder should hold some runs first (tarvik-reports run, the dialogs).
#   take_run_history_screenshot.sh BIN_DIR DATA_FOLDER [USER PASSWORD]
set -euo pipefail
BIN=$(realpath "$1"); DATA=$(realpath "$2"); USER_NAME=${3:-demo}; PASSWORD=${4:-demo}
OUT="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/run-history.png"
export BIN DATA USER_NAME PASSWORD OUT
xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
  set -e
  TARVIK_DATA_DIR="$DATA" "$BIN/tarvik-reports" & pid=$!
  for i in $(seq 50); do wid=$(xdotool search --name "^Log In$" 2>/dev/null | head -1) && [ -n "$wid" ] && break; sleep 0.2; done
  xdotool windowfocus --sync "$wid"
  xdotool type --delay 30 "$USER_NAME"; xdotool key Tab; xdotool type --delay 30 "$PASSWORD"; xdotool key Return
  for i in $(seq 100); do frame=$(xdotool search --name "^Tarvik - Reports" 2>/dev/null | head -1) && [ -n "$frame" ] && break; sleep 0.2; done
  xdotool windowmove "$frame" 0 0 windowsize "$frame" 1280 800
  sleep 1
  xdotool windowfocus --sync "$frame"
  xdotool key alt+w; sleep 0.5; xdotool key h
  sleep 2
  import -window root "$OUT"
  kill $pid
'
echo "wrote $OUT"
