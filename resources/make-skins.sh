#!/usr/bin/env bash
# Draws the icons of the tray skin we ship, "XP Style Flash", with
# ImageMagick: each .ico holds a 32x32 and a 16x16 image. The files are
# committed so a build needs no ImageMagick; run this again after a change.
#   idle.ico          an envelope on a calm blue tile
#   check1-4.ico      the tile with a light running round its rim
#   mail.ico          the envelope on an orange tile with a green badge
#   flash1-4.ico      the orange tile glowing up and down (REVERSE)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/Skins/XP Style Flash"

# tile TOP BOTTOM BORDER: sets "draw" to a rounded tile with a top-to-bottom
# gradient and a white envelope on it.
tile() {
  draw=(\( -size 28x28 "gradient:$1-$2" \) -geometry +2+2 -composite
    -fill none -stroke "$3" -strokewidth 1.5 -draw 'roundrectangle 2,2 29,29 6,6'
    -fill white -stroke '#3a4a66' -strokewidth 1 -draw 'rectangle 7,11 24,23'
    -fill none -draw 'polyline 7,11 15.5,18 24,11')
}

# write FILE DRAWING...: the 32x32 picture, cut to the tile's rounded shape,
# and its 16x16 reduction in one icon file; no dates, so a run again gives
# the same bytes.
write() {
  local file=$1
  shift
  convert -size 32x32 xc:none "$@" \
    \( -size 32x32 xc:black -fill white -draw 'roundrectangle 1,1 30,30 7,7' \) \
    -alpha off -compose CopyOpacity -composite -compose Over \
    -strip -define png:exclude-chunks=date,time -define icon:auto-resize=32,16 "ICO:$file"
}

tile '#6f9fe0' '#1f4fa0' '#173a78'
write idle.ico "${draw[@]}"

# The rim light: a bright dot at one of four corners of the tile.
corners=('6,6' '25,6' '25,25' '6,25')
for i in 0 1 2 3; do
  tile '#7fb0ff' '#2a5cb8' '#173a78'
  write "check$((i + 1)).ico" "${draw[@]}" \
    -fill '#ffffff' -stroke '#9fe0ff' -strokewidth 1 -draw "circle ${corners[$i]} ${corners[$i]%,*},$((${corners[$i]#*,} + 3))"
done

tile '#ffc04a' '#e0700a' '#9a4a00'
write mail.ico "${draw[@]}" -fill '#2fbf3f' -stroke white -strokewidth 1 -draw 'circle 24,8 24,3'

# Four steps of the glow, from the still mail tile to a bright yellow one.
glows=('#ffc04a:#e0700a' '#ffd46a:#f08a1a' '#ffe88a:#ffa830' '#fff6b0:#ffc040')
for i in 0 1 2 3; do
  tile "${glows[$i]%:*}" "${glows[$i]#*:}" '#9a4a00'
  write "flash$((i + 1)).ico" "${draw[@]}" -fill '#2fbf3f' -stroke white -strokewidth 1 -draw 'circle 24,8 24,3'
done
