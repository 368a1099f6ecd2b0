#!/bin/sh
# Renders the committed PNG icons (icons/NxN/<id>.png) from the SVG icon.
# Run it after changing the SVG; it needs rsvg-convert (librsvg2-bin).
set -eu
cd "$(dirname "$0")"
id=io.github.ambrine.Ambrine
for size in 16 32 48 64 128 256; do
  mkdir -p "icons/${size}x${size}"
  rsvg-convert --width "$size" --height "$size" --format png \
    --output "icons/${size}x${size}/$id.png" "$id.svg"
done
