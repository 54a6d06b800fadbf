#!/usr/bin/env bash
# Draws the program's icon at the usual sizes from tarvik-reports.svg (rsvg-convert, Debian's
# librsvg2-bin). Run it again after changing the drawing and commit the pictures.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
for size in 16 22 24 32 48 64 128 256; do
  rsvg-convert --width "$size" --height "$size" tarvik-reports.svg > "tarvik-reports-$size.png"
done
