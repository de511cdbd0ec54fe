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
convert -size 280x80 gradient:'#000000-#1d3557' -fill '#f1faee' -font DejaVu-Sans-Bold -pointsize 22 \
    -gravity center -annotate +0+0 'thanks for looking' -quality 90 about-hidden.jpg
convert -size 16x16 pattern:gray25 -fill '#1d3557' -opaque black -fill '#23406a' -opaque white \
    -type TrueColor BMP3:about-tile.bmp
convert -size 12x12 gradient:'#457b9d-#000000' -rotate 90 -quality 90 about-left.jpg
convert -size 12x12 gradient:'#000000-#457b9d' -rotate 90 -quality 90 about-right.jpg
# Finder pictures 401 (idle: a small window with a cross-hair target) and 402 (the same without it),
# 31 x 30, 24 bits, as plain BMP files.
finder_window() {
    local out=$1; shift
    convert -size 31x30 xc:'#d4d0c8' -fill white -stroke '#404040' -draw 'rectangle 1,1 29,28' \
        -fill '#0a246a' -stroke none -draw 'rectangle 2,2 28,6' "$@" -type TrueColor BMP3:"$out"
}
finder_window finder-drag.bmp
convert finder-drag.bmp -fill none -stroke black -draw 'circle 15,17 15,11' \
    -draw 'line 15,9 15,25' -draw 'line 7,17 23,17' -type TrueColor BMP3:finder-idle.bmp
# Kind icons 501-505 (window, process, thread, module, service), 16 and 32 pixels.
kind_icon() { # name, then drawing for a 32-pixel canvas
    local name=$1; shift
    convert -size 32x32 xc:none "$@" -define icon:auto-resize=32,16 "$name.ico"
}
kind_icon kind-window -fill white -stroke '#1d3557' -draw 'rectangle 2,4 29,27' -fill '#457b9d' -draw 'rectangle 2,4 29,10'
kind_icon kind-process -fill '#a8dadc' -stroke '#1d3557' -draw 'roundrectangle 3,3 28,28 5,5' \
    -fill '#e63946' -stroke none -draw 'polygon 11,9 23,16 11,23'
kind_icon kind-thread -fill none -stroke '#1d3557' -strokewidth 3 -draw 'bezier 4,26 12,2 20,30 28,6'
kind_icon kind-module -fill '#f1faee' -stroke '#1d3557' -draw 'rectangle 6,3 25,28' \
    -draw 'line 10,9 21,9' -draw 'line 10,14 21,14' -draw 'line 10,19 21,19'
kind_icon kind-service -fill '#457b9d' -stroke '#1d3557' -draw 'circle 16,16 16,4' \
    -fill white -draw 'circle 16,16 16,11'
# Window icons of the window search 601 (a magnifier) and the code generator 602 (code brackets).
kind_icon search-window -fill none -stroke '#1d3557' -strokewidth 3 -draw 'circle 13,13 13,4' \
    -draw 'line 19,19 29,29'
kind_icon code-generator -fill none -stroke '#1d3557' -strokewidth 3 -draw 'polyline 11,7 3,16 11,25' \
    -draw 'polyline 21,7 29,16 21,25' -stroke '#e63946' -draw 'line 18,5 14,27'
# Toolbar pictures, 42 x 42 each, one strip; magenta is transparent, so nothing is blended into it. Order:
# refresh, highlight, window, process, thread, module, code, search, filter, service, finder, properties.
# A grey strip for disabled buttons. Both strips hold a dozen colours, so they are written with a palette.
tile() { convert -size 42x42 xc:magenta +antialias "$@" -type TrueColor "MIFF:-"; }
{
    tile -fill none -stroke '#2a9d8f' -strokewidth 4 -draw 'arc 8,8 34,34 30,330' \
        -fill '#2a9d8f' -stroke none -draw 'polygon 30,4 38,16 26,18'
    tile -fill none -stroke black -strokewidth 4 -draw 'rectangle 6,8 36,34'
    tile -fill white -stroke '#1d3557' -strokewidth 2 -draw 'rectangle 4,6 37,35' -fill '#457b9d' -draw 'rectangle 4,6 37,13'
    tile -fill '#a8dadc' -stroke '#1d3557' -strokewidth 2 -draw 'roundrectangle 5,5 36,36 6,6' \
        -fill '#e63946' -stroke none -draw 'polygon 15,12 30,21 15,30'
    tile -fill none -stroke '#1d3557' -strokewidth 4 -draw 'bezier 5,34 16,2 26,40 37,8'
    tile -fill '#f1faee' -stroke '#1d3557' -strokewidth 2 -draw 'rectangle 9,4 33,37' \
        -draw 'line 14,12 28,12' -draw 'line 14,19 28,19' -draw 'line 14,26 28,26'
    tile -fill none -stroke '#1d3557' -strokewidth 3 -draw 'polyline 15,10 5,21 15,32' -draw 'polyline 27,10 37,21 27,32'
    tile -fill none -stroke '#1d3557' -strokewidth 4 -draw 'circle 17,17 17,6' -draw 'line 25,25 37,37'
    tile -fill '#e9c46a' -stroke '#1d3557' -strokewidth 2 -draw 'polygon 4,6 38,6 24,22 24,36 18,36 18,22'
    tile -fill '#457b9d' -stroke '#1d3557' -strokewidth 2 -draw 'circle 21,21 21,5' -fill white -draw 'circle 21,21 21,14'
    tile -fill white -stroke '#404040' -strokewidth 2 -draw 'rectangle 4,5 37,36' -fill none -stroke black \
        -draw 'circle 21,22 21,13' -draw 'line 21,10 21,34' -draw 'line 9,22 33,22'
    tile -fill '#e6eef5' -stroke '#1d3557' -strokewidth 2 -draw 'rectangle 5,5 36,36' \
        -draw 'line 11,14 30,14' -draw 'line 11,21 30,21' -draw 'line 11,28 24,28'
} | convert - +append -type Palette BMP3:toolbar.bmp
convert toolbar.bmp -transparent magenta -colorspace gray +level 45%,90% -colorspace sRGB -background magenta \
    -alpha remove -type Palette BMP3:toolbar-disabled.bmp
