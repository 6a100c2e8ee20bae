#!/bin/sh
# Regenerates the committed PNGs. Run by hand after editing an SVG; the build
# never calls this, so rsvg-convert is not a build dependency.
set -eu
cd "$(dirname "$0")"
id=io.kestro.KestroSetup
big=hicolor/scalable/apps/$id.svg
for size in 16 32 48 256; do
    src=$big
    # Small sizes have their own simplified drawing; the full one turns to mush.
    [ -f "src/$id-$size.svg" ] && src="src/$id-$size.svg"
    mkdir -p "hicolor/${size}x${size}/apps"
    rsvg-convert -w "$size" -h "$size" "$src" -o "hicolor/${size}x${size}/apps/$id.png"
done
