#!/usr/bin/env bash
# Makes docs/main-menu.png: the main menu under Xvfb with the simulated unit on COM1.
set -euo pipefail
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
for tool in xvfb-run:xvfb xwininfo:x11-utils import:imagemagick; do
  command -v "${tool%%:*}" >/dev/null || { apt-get update -qq; apt-get install -y -qq "${tool##*:}" >/dev/null; }
done
xvfb-run -a -s "-screen 0 1024x768x24" bash -c "
  '$root/$build/app/gpstracking' & app=\$!
  for _ in \$(seq 50); do xwininfo -root -tree | grep -q 'GPS Trackingconfiguration' && break; sleep 0.2; done
  sleep 1
  id=\$(xwininfo -root -tree | grep 'GPS Trackingconfiguration' | awk '{print \$1}' | head -n 1)
  import -window \"\$id\" '$root/docs/main-menu.png'
  kill \$app"
echo "docs/main-menu.png written"
