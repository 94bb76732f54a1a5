#!/usr/bin/env bash
# Draws the program's icon, the character 链 in the window's blue, at every
# size the hicolor theme gets, into src/ui/resources/icons/<n>.png. The
# PNGs are committed; run this again (needs imagemagick and
# fonts-wqy-microhei) only to change the icon. 32.png is the original
# hand-made icon and is kept as it is.
set -euo pipefail
cd "$(dirname "$0")/../src/ui/resources/icons"
font=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
master=$(mktemp --suffix=.png)
trap 'rm -f "$master"' EXIT
# Drawn large with a stroke for the bold weight, then cut to the glyph.
convert -size 1024x1024 xc:none -font "$font" -fill '#0040E0' -stroke '#0040E0' \
    -strokewidth 26 -gravity center -pointsize 1000 -annotate +0+0 '链' -trim +repage "$master"
for n in 16 24 48 64 128 256; do
    # A margin of one pixel in 32, as the original has.
    inner=$((n - (n + 15) / 16))
    convert "$master" -filter Lanczos -resize "${inner}x${inner}" -background none \
        -gravity center -extent "${n}x${n}" "PNG32:$n.png"
done
