#!/usr/bin/env bash
# Draws the built-in tray icons (32x32 PNG) with ImageMagick. The PNGs are
# committed so a build needs no ImageMagick; run this again after a change.
#   101      idle: a grey-blue envelope outline
#   102      mail found: a bright envelope with a red badge
#   103-107  checking: the idle envelope with a turning ring of dots
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"

# envelope STROKE FILL: sets the array "draw" to an envelope with its flap.
envelope() {
  draw=(-fill "$2" -stroke "$1" -strokewidth 2 -draw 'roundrectangle 3,8 28,25 2,2'
    -fill none -draw 'polyline 4,9 15.5,18 27,9')
}

# write FILE DRAWING...: metadata such as creation dates would make every run
# differ from the committed files, so it is left out.
write() {
  local file=$1
  shift
  convert -size 32x32 xc:none "$@" -strip -define png:exclude-chunks=date,time "PNG32:$file"
}

envelope '#5b7393' '#e4eaf2'
write 101.png "${draw[@]}"

envelope '#1f5fbf' '#fff6cf'
write 102.png "${draw[@]}" \
  -fill '#e02424' -stroke white -strokewidth 1.5 -draw 'circle 25,8 25,2.5'

# Five dots round the badge centre (25,8); the bright one moves on a place
# each frame with a fading tail behind it.
envelope '#5b7393' '#e4eaf2'
for frame in 0 1 2 3 4; do
  dots=()
  for dot in 0 1 2 3 4; do
    case $(((frame - dot + 5) % 5)) in
      0) colour='#1f6fff' ;;
      1) colour='#7fb0ff' ;;
      *) colour='#c9d3e0' ;;
    esac
    centre=$(awk -v a="$((dot * 72 - 90))" 'BEGIN {
      d = atan2(0, -1) / 180
      printf "%.2f,%.2f %.2f,%.2f", 25 + 4 * cos(a * d), 8 + 4 * sin(a * d),
        25 + 4 * cos(a * d) + 1.8, 8 + 4 * sin(a * d) }')
    dots+=(-fill "$colour" -draw "circle $centre")
  done
  write "$((103 + frame)).png" "${draw[@]}" \
    -fill white -stroke '#b8c4d4' -strokewidth 1 -draw 'circle 25,8 25,1.5' \
    -stroke none "${dots[@]}"
done
