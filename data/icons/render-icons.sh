#!/bin/sh
# Renders the PNG sizes of the application icon from its SVG. Run it after editing the SVG and
# commit the PNGs: the build only installs them. Needs rsvg-convert (librsvg2-bin) or
# ImageMagick's convert.
set -eu
cd "$(dirname "$0")"
svg=org.example.BrackmoorChat.svg
for size in 16 32 48 64 128 256; do
    mkdir -p "hicolor/${size}x${size}"
    out="hicolor/${size}x${size}/org.example.BrackmoorChat.png"
    if command -v rsvg-convert >/dev/null 2>&1; then
        rsvg-convert --width "$size" --height "$size" --output "$out" "$svg"
    else
        convert -background none -density 384 "$svg" -resize "${size}x${size}" -strip "$out"
    fi
    echo "$out"
done
