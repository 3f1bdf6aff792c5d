#!/usr/bin/env bash
# Renders the program icon's PNG sizes for the hicolor theme from its SVG.
# The PNGs are kept in the tree; run this after changing the SVG
# (needs rsvg-convert from librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../data/icons"
for size in 16 22 24 32 48 64 128 256; do
  rsvg-convert --width "$size" --height "$size" --output "org.parlane.Parlane-$size.png" \
    org.parlane.Parlane.svg
done
