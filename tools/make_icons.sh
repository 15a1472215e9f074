#!/usr/bin/env bash
# Renders the application icon's PNG sizes from its SVG; run again after editing the SVG and
# commit the results (the build does not need an SVG renderer).
# Needs rsvg-convert (Debian librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../packaging/icons"
for size in 48 128 256; do
  rsvg-convert -w "$size" -h "$size" org.example.Orvanta.svg -o "org.example.Orvanta-$size.png"
done
