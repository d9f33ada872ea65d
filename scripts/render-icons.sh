#!/usr/bin/env bash
# Renders the desktop icon at the sizes of the hicolor theme from res/icons/sundra.svg
# into res/icons/hicolor/. The PNGs are kept in the repository, so the build needs no
# renderer; run this after changing the SVG (it needs librsvg2-bin). The 48 px icon
# is the window's own hand-drawn res/icons/sundra.png and is not rendered.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v rsvg-convert >/dev/null || { echo "rsvg-convert is missing: apt-get install librsvg2-bin" >&2; exit 1; }
mkdir -p res/icons/hicolor
for size in 16 22 24 32 64 128 256; do
    rsvg-convert -w "$size" -h "$size" res/icons/sundra.svg -o "res/icons/hicolor/sundra-$size.png"
done
