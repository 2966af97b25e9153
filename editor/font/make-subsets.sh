#!/usr/bin/env bash
# Cuts DejaVu Sans and DejaVu Sans Bold (Debian's fonts-dejavu-core) to the
# characters the editor shows, into this folder: Basic Latin, Latin-1, the
# dashes, the ellipsis, the minus sign and the arrows. Needs fontTools
# (Debian's python3-fonttools), only when the fonts are to be cut again;
# the build embeds the .ttf files committed here. Hinting is left out: the
# editor draws without it.
set -euo pipefail
cd "$(dirname "$0")"
fonts=/usr/share/fonts/truetype/dejavu
unicodes=U+0020-007E,U+00A0-00FF,U+2013,U+2014,U+2026,U+2190-2193,U+2212
for font in DejaVuSans DejaVuSans-Bold; do
  python3 -m fontTools.subset "$fonts/$font.ttf" --unicodes="$unicodes" --no-hinting \
    --layout-features='kern' --output-file="$font-subset.ttf"
done
