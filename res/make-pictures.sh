#!/usr/bin/env bash
# Makes the program's pictures (committed; run again only to change them). Needs ImageMagick.
set -euo pipefail
cd "$(dirname "$0")"
# Splash and about picture: resource 101.
convert -size 420x260 gradient:'#1d3557-#457b9d' \
    -fill white -font DejaVu-Sans-Bold -pointsize 64 -gravity center -annotate +0-20 'Ostrel' \
    -font DejaVu-Sans -pointsize 16 -annotate +0+40 'an inspector of the running desktop' \
    -quality 90 splash.jpg
# Program icon: a magnifier over a window frame, 32 and 16 pixels.
for s in 32 16; do
    w=$((s - 1)); r=$((s * 3 / 10)); c=$((s * 11 / 20))
    convert -size ${s}x${s} xc:none -fill '#e6eef5' -stroke '#1d3557' -draw "rectangle 1,2 $((w - 2)),$((w - 3))" \
        -fill '#457b9d' -stroke none -draw "rectangle 1,2 $((w - 2)),$((s / 5 + 2))" \
        -fill none -stroke '#e63946' -strokewidth $((s / 10 + 1)) -draw "circle $c,$c $((c + r)),$c" \
        -draw "line $((c + r * 7 / 10)),$((c + r * 7 / 10)) $w,$w" icon$s.png
done
convert icon32.png icon16.png ostrel.ico
rm icon32.png icon16.png
# Finder cursor 301: a cross-hair with its hot spot in the middle.
convert -size 32x32 xc:none -stroke black -strokewidth 1 -fill none \
    -draw 'circle 15,15 15,5' -draw 'line 15,2 15,28' -draw 'line 2,15 28,15' finder.png
convert finder.png finder.cur
rm finder.png
# ImageMagick writes the cursor with an icon header: make it a cursor with its hot spot at (15, 15).
python3 - <<'PY'
import struct
data = bytearray(open('finder.cur', 'rb').read())
struct.pack_into('<H', data, 2, 2)
struct.pack_into('<HH', data, 10, 15, 15)
open('finder.cur', 'wb').write(data)
PY
# About box: small picture 102, hidden picture 103, background tile 201 (a bitmap), banner edge tiles 202
# and 203.
convert -size 48x48 radial-gradient:'#a8dadc-#1d3557' -fill '#e63946' -draw 'circle 24,24 24,12' \
    -quality 90 about-small.jpg
convert -size 220x90 gradient:'#000000-#1d3557' -fill '#f1faee' -font DejaVu-Sans-Bold -pointsize 22 \
    -gravity center -annotate +0+0 'thanks for looking' -quality 90 about-hidden.jpg
convert -size 16x16 pattern:gray25 -fill '#1d3557' -opaque black -fill '#23406a' -opaque white \
    -type TrueColor BMP3:about-tile.bmp
convert -size 12x12 gradient:'#457b9d-#000000' -rotate 90 -quality 90 about-left.jpg
convert -size 12x12 gradient:'#000000-#457b9d' -rotate 90 -quality 90 about-right.jpg
