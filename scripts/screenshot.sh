#!/usr/bin/env bash
# Makes the pictures in docs/: every window of the program under Xvfb with the simulated unit
# on COM1, the port list showing the unit, and a message box.
set -euo pipefail
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
for tool in xwininfo:x11-utils import:imagemagick; do
  command -v "${tool%%:*}" >/dev/null || { apt-get update -qq; apt-get install -y -qq "${tool##*:}" >/dev/null; }
done
/usr/bin/python3 "$root/scripts/screenshots.py" --app "$root/$build/app/gpstracking" \
  --sim "$root/$build/sim/gpstracking-unit-sim" --out "$root/docs"
