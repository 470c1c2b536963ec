#!/bin/sh
# Draws the program icon of data/icons/pravel.svg with ImageMagick's own primitives (no SVG
# renderer is needed) and writes it as a Windows .ico with 48, 32 and 16 pixel images.
#
#   tools/make-windows-icon.sh [OUTPUT.ico]    default: src/winui/pravel.ico
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/src/winui/pravel.ico}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# The same shapes as the SVG, on its 64 x 64 grid, drawn at 4 times the size for smooth edges.
convert -size 256x256 xc:none -draw "scale 4,4
    fill #1f4e79 roundrectangle 4,4 59,59 8,8
    fill #dfe8f1 roundrectangle 12,10 51,55 3,3
    stroke #9fb3c8 stroke-width 2 line 32,10 32,56 stroke none
    fill #c0392b path 'M20 24 q-4 8 0 16 l5 -2 q-2 -6 0 -12 z'
    fill #1f4e79 circle 40,22 40,25 circle 47,22 47,25 circle 40,30 40,33 circle 47,30 47,33
    fill #27ae60 circle 40,38 40,41 fill #1f4e79 circle 47,38 47,41" "$tmp/icon.png"
for size in 48 32 16; do
    convert "$tmp/icon.png" -resize ${size}x${size} "$tmp/icon-$size.png"
done
convert "$tmp/icon-48.png" "$tmp/icon-32.png" "$tmp/icon-16.png" "$out"
