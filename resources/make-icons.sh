#!/usr/bin/env bash
# Renders the program icon's PNG sizes from its drawings (needs rsvg-convert from
# librsvg2-bin, and optipng when at hand). The PNGs are kept in the repository, so building
# and installing need neither tool. 16 and 24 pixels come from the simplified drawing with
# bolder lines; the larger sizes from the full one.
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 24 32 48 64 128 256; do
    drawing=tickora.svg
    [ "$size" -le 24 ] && drawing=tickora-small.svg
    rsvg-convert -w "$size" -h "$size" "$drawing" -o "icons/tickora-$size.png"
done
if command -v optipng >/dev/null; then
    optipng -quiet -o5 -strip all icons/*.png
fi
