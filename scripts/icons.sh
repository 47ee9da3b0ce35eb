#!/usr/bin/env bash
# Renders the program's icon, packaging/icons/gpstracking.svg, as the PNGs the package ships.
set -euo pipefail
icons=$(cd "$(dirname "$0")/../packaging/icons" && pwd)
command -v rsvg-convert >/dev/null || { apt-get update -qq; apt-get install -y -qq librsvg2-bin >/dev/null; }
for size in 16 24 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" "$icons/gpstracking.svg" -o "$icons/gpstracking-$size.png"
done
