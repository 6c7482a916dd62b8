#!/bin/sh
# Renders the PNG sizes of the application icon from its SVG, and the Windows icon file that
# holds four of them. Run it after editing the SVG and commit what it writes: the build only
# installs them. Needs ImageMagick's convert, and uses rsvg-convert (librsvg2-bin) if present.
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
# The icon of the Windows programs, their Start-menu entry and their installer.
convert hicolor/16x16/org.example.BrackmoorChat.png hicolor/32x32/org.example.BrackmoorChat.png \
    hicolor/48x48/org.example.BrackmoorChat.png hicolor/256x256/org.example.BrackmoorChat.png \
    org.example.BrackmoorChat.ico
echo org.example.BrackmoorChat.ico
