#!/usr/bin/env bash
# Draws the welcome page's picture (132 x 253, 16 colours): two speech bubbles over
# a dusk gradient, stored run-length compressed (rle4.py), which suits its flat colours.
# Needs ImageMagick and python3. Usage: make_welcome_bmp.sh OUT.bmp
set -euo pipefail
convert -size 132x253 gradient:'#1b2a6b'-'#3fa7a0' \
  -fill '#f4f1e8' -stroke '#0d1640' -strokewidth 2 \
  -draw 'roundrectangle 14,40 110,96 14,14' \
  -draw 'polygon 30,94 26,114 50,95' \
  -fill '#ffd166' \
  -draw 'roundrectangle 26,128 120,180 14,14' \
  -draw 'polygon 100,178 108,198 86,179' \
  -stroke none -fill '#1b2a6b' \
  -draw 'circle 42,68 46,68' -draw 'circle 62,68 66,68' -draw 'circle 82,68 86,68' \
  -fill '#c0392b' \
  -draw 'rectangle 40,146 106,150' -draw 'rectangle 40,158 92,162' \
  -fill '#f4f1e8' \
  -draw 'circle 66,226 66,214' -fill '#1b2a6b' -draw 'circle 66,226 66,220' \
  -dither None -colors 16 -type Palette -depth 4 BMP3:"$1.plain"
python3 "$(dirname "$0")/rle4.py" "$1.plain" "$1"
rm -f "$1.plain"
