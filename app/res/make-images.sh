#!/usr/bin/env bash
# Draws the main window's images with ImageMagick: the program icon, the three
# roots' icons, the four toolbar bitmaps and the built-in background. The
# results are kept in the repository; run this again only to change an image.
#
# Each image comes at the sizes the window draws it at 96, 144 and 192 dots
# per inch, so that none is stretched.
#
# The toolbar bitmaps are opaque tiles: they are drawn onto the button face,
# whose colour each theme chooses (white, peat green, black without a theme),
# so each carries its own face and reads on all of them. The built-in
# background is light, since without a theme every text colour is black.
set -euo pipefail
cd "$(dirname "$0")"

icon() {  # name, then drawing arguments for a 64x64 canvas
  local name=$1; shift
  convert -size 64x64 xc:none "$@" -define icon:auto-resize=48,32,24,16 "$name.ico"
}
tile() {  # name, tile colour, then drawing arguments for a 48x48 canvas; written at 24x24, 36x36 and 48x48
  local name=$1 face=$2; shift 2
  convert -size 48x48 xc:'#5b5247' -fill "$face" -draw 'roundrectangle 2,2 45,45 8,8' "$@" \
    -type TrueColor "BMP3:$name-48.bmp"
  convert "$name-48.bmp" -resize 36x36 -type TrueColor "BMP3:$name-36.bmp"
  convert "$name-48.bmp" -resize 24x24 -type TrueColor "BMP3:$name.bmp"
}

# A gear wheel on the 64x64 canvas (also used on the 48x48 tiles, a little larger than the tile's middle).
gear() {  # wheel colour, hole colour
  printf '%s\n' -fill "$1" -draw 'circle 32,32 32,12' -draw 'rectangle 28,4 36,60' -draw 'rectangle 4,28 60,36' \
    -draw 'polygon 11,15 15,11 53,49 49,53' -draw 'polygon 49,11 53,15 15,53 11,49' \
    -fill "$2" -draw 'circle 32,32 32,24'
}

# The program: a quill over an ink line, on a moor-green disc.
icon program -fill '#355e3b' -draw 'circle 32,32 32,2' \
  -fill '#f5f0e1' -draw 'polygon 46,8 54,12 26,46 20,50 22,42' \
  -stroke '#355e3b' -strokewidth 2 -draw 'line 48,12 24,44' \
  -stroke none -fill '#f5f0e1' -draw 'rectangle 14,52 50,55'

# The roots: services a slate gear, startups a green play mark, shortcuts the shell's arrow.
mapfile -t g < <(gear '#3b5b8c' white)
icon services "${g[@]}"
icon startups -fill '#2e7d32' -draw 'roundrectangle 4,4 60,60 12,12' -fill white -draw 'polygon 22,14 22,50 52,32'
icon shortcuts -fill white -stroke '#555555' -strokewidth 3 -draw 'rectangle 10,4 54,60' \
  -stroke none -fill '#1565c0' -draw 'roundrectangle 12,28 42,58 5,5' \
  -fill white -draw 'polygon 18,52 18,43 27,38 22,33 36,33 36,47 31,42 25,46 25,52'

# Toolbar: the same three marks on tiles, and a palette for the themes.
mapfile -t g < <(gear '#f2efe6' '#3b5b8c')
tile service '#3b5b8c' -affine 0.75,0,0,0.75,0,0 "${g[@]}"
tile startup '#2e7d32' -fill '#f2efe6' -draw 'polygon 17,11 17,37 38,24'
tile shortcut '#1565c0' -fill '#f2efe6' -draw 'roundrectangle 9,9 39,39 5,5' \
  -fill '#1565c0' -draw 'polygon 15,35 15,26 24,21 19,16 33,16 33,30 28,25 22,29 22,35'
tile theme '#8d5a2b' -fill '#f2efe6' -draw 'ellipse 24,25 17,14 0,360' \
  -fill '#8d5a2b' -draw 'circle 30,32 30,36' \
  -fill '#c62828' -draw 'circle 16,21 16,25' -fill '#2e7d32' -draw 'circle 24,16 24,20' \
  -fill '#1565c0' -draw 'circle 33,20 33,24'

# The built-in background, at the window's own size in pixels: a pale sky over
# two low moor ridges, light enough for black text anywhere.
convert -size 380x299 gradient:'#f4f1e6'-'#dfe6d6' \
  -fill '#cfd9c2' -draw 'path "M 0,230 C 80,200 150,215 220,205 C 290,195 340,210 380,200 L 380,299 L 0,299 Z"' \
  -fill '#c2cfb3' -draw 'path "M 0,265 C 90,245 180,262 260,250 C 320,242 350,250 380,246 L 380,299 L 0,299 Z"' \
  -type TrueColor BMP3:background.bmp

# The badge of the 32-bit programs' public entries, an overlay drawn over an
# entry's own icon in its lower left corner: "32" in white on orange, drawn pixel
# by pixel at 16x16 (text would blur at that size) and doubled for 32x32.
badge=(-fill '#e65100' -draw 'rectangle 0,8 8,15' -fill white)
for pixel in 1,9 2,9 3,9 3,10 2,11 3,11 3,12 1,13 2,13 3,13 \
             5,9 6,9 7,9 7,10 5,11 6,11 7,11 5,12 5,13 6,13 7,13; do
  badge+=(-draw "point $pixel")
done
convert -size 16x16 xc:none "${badge[@]}" view32-16.png
convert view32-16.png -sample 150% view32-24.png
convert view32-16.png -sample 200% view32-32.png
convert view32-16.png view32-24.png view32-32.png view32.ico
rm view32-16.png view32-24.png view32-32.png
