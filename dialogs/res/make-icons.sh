#!/usr/bin/env bash
# Draws the dialog library's icons (32x32 and 16x16 in one .ico each) with
# ImageMagick. The .ico files are kept in the repository; run this again
# only to change an image.
set -euo pipefail
cd "$(dirname "$0")"
draw() {  # name, then ImageMagick drawing arguments for a 64x64 canvas
  local name=$1; shift
  convert -size 64x64 xc:none "$@" -define icon:auto-resize=32,16 "$name.ico"
}
# Service: a gear wheel, slate blue.
draw service -fill '#3b5b8c' -draw 'circle 32,32 32,10' \
  -fill '#3b5b8c' -draw 'rectangle 27,2 37,62' -draw 'rectangle 2,27 62,37' \
  -draw 'polygon 10,14 14,10 54,50 50,54' -draw 'polygon 50,10 54,14 14,54 10,50' \
  -fill white -draw 'circle 32,32 32,23'
# Startup: a green play mark on a rounded tile.
draw startup -fill '#2e7d32' -draw 'roundrectangle 4,4 60,60 12,12' \
  -fill white -draw 'polygon 24,16 24,48 50,32'
# Shortcut: a sheet of paper with the shell's curved arrow.
draw shortcut -fill white -stroke '#555555' -strokewidth 3 -draw 'rectangle 10,4 54,60' \
  -stroke none -fill '#1565c0' -draw 'roundrectangle 12,30 40,58 4,4' \
  -fill white -draw 'polygon 18,50 18,42 26,38 22,34 34,34 34,46 30,42 24,46 24,50'
# The program: a quill over an ink line, on a moor-green disc.
draw quillmoor -fill '#355e3b' -draw 'circle 32,32 32,2' \
  -fill '#f5f0e1' -draw 'polygon 46,8 54,12 26,46 20,50 22,42' \
  -stroke '#355e3b' -strokewidth 2 -draw 'line 48,12 24,44' \
  -stroke none -fill '#f5f0e1' -draw 'rectangle 14,52 50,55'
