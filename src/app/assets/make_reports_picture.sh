#!/usr/bin/env bash
# Draws Reports.Jpg, the picture beside the report menu, with ImageMagick.
# Run it again after changing it and commit the picture.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
W=1200; H=900
BOLD=/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf
REG=/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf

convert -size ${W}x${H} gradient:'#f7fafd'-'#c9d8e8' \
  \( -size 1200x900 xc:none -fill '#ffffff80' -draw "circle 980,170 980,470" \) -composite \
  -fill '#2f6398' -draw "roundrectangle 120,150 270,300 22,22" \
  -fill '#ffffff' -draw "rectangle 180,168 210,282" -draw "rectangle 138,210 252,240" \
  -font "$BOLD" -pointsize 92 -fill '#1c2a3a' -annotate +310+250 'Tarvik' \
  -font "$REG" -pointsize 92 -fill '#2f6398' -annotate +612+250 'Reports' \
  -font "$REG" -pointsize 34 -fill '#3d4f63' -annotate +124+360 'Hospital information and billing system' \
  -stroke '#9aa8b8' -strokewidth 3 -draw "line 124,400 1076,400" -stroke none \
  -fill '#8fb1d3' -draw "rectangle 180,700 260,800" \
  -fill '#6f98c4' -draw "rectangle 290,620 370,800" \
  -fill '#4f86bd' -draw "rectangle 400,560 480,800" \
  -fill '#2f6398' -draw "rectangle 510,470 590,800" \
  -fill '#1f4a76' -draw "rectangle 620,520 700,800" \
  -stroke '#c0392b' -strokewidth 8 -fill none -draw "line 220,660 330,590" -draw "line 330,590 440,520" -draw "line 440,520 550,430" -draw "line 550,430 660,470" -draw "line 660,470 760,380" -stroke none \
  -fill '#c0392b' -draw "circle 760,380 772,380" \
  -stroke '#3d4f63' -strokewidth 4 -draw "line 150,800 800,800" -stroke none \
  -font "$REG" -pointsize 30 -fill '#3d4f63' \
  -annotate +850+520 'End of day' -annotate +850+580 'End of month' \
  -annotate +850+640 'End of year' -annotate +850+700 'By period' \
  -quality 90 Reports.Jpg
