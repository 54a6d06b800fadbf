#!/usr/bin/env bash
# Draws FileCopy.gif, the progress window's animation: a sheet of paper flying from one
# folder to another. Needs ImageMagick (convert). Run from this folder.
set -euo pipefail
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
W=272; H=60
folder() { # $1: left edge
  local x=$1
  args+=(-fill '#e8b84a' -stroke '#8a6414' -strokewidth 1
         -draw "roundrectangle $x,20 $((x+44)),54 3,3"
         -fill '#f4cf6e' -draw "polygon $x,28 $((x+44)),28 $((x+44)),54 $x,54")
}
frames=16
for i in $(seq 0 $((frames - 1))); do
  # The sheet travels on an arc from the left folder to the right one.
  x=$(awk -v i="$i" -v n="$frames" 'BEGIN { printf "%d", 26 + (i / (n - 1)) * 200 }')
  y=$(awk -v i="$i" -v n="$frames" 'BEGIN { t = i / (n - 1); printf "%d", 22 - 20 * sin(3.14159 * t) }')
  args=(-size ${W}x${H} xc:white)
  folder 14
  folder 214
  args+=(-fill white -stroke '#44546a' -strokewidth 1
         -draw "polygon $x,$y $((x+14)),$y $((x+20)),$((y+6)) $((x+20)),$((y+26)) $x,$((y+26))"
         -stroke '#9aa7b8'
         -draw "line $((x+4)),$((y+10)) $((x+16)),$((y+10))"
         -draw "line $((x+4)),$((y+15)) $((x+16)),$((y+15))"
         -draw "line $((x+4)),$((y+20)) $((x+12)),$((y+20))")
  convert "${args[@]}" "$tmp/f$(printf %02d "$i").png"
done
convert -delay 7 -loop 0 "$tmp"/f*.png -layers Optimize FileCopy.gif
