#!/usr/bin/env bash
# The program with the simulated tracking unit on COM1, for trying every button without a unit.
set -euo pipefail
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "make demo needs a display: run it on a desktop, or headless as 'xvfb-run -a make demo'."
  exit 1
fi
work=$(mktemp -d)
trap 'kill "$sim" 2>/dev/null || true; rm -rf "$work"' EXIT
"$root/$build/sim/gpstracking-unit-sim" --link "$work/com1" >"$work/sim.out" &
sim=$!
for _ in $(seq 50); do [ -e "$work/com1" ] && break; sleep 0.1; done
export GPSTRACKING_COM1="$work/com1"
# GPS logs land in the current folder; keep the demo's apart.
mkdir -p "$root/$build/demo"
cd "$root/$build/demo"
echo "Simulated unit on COM1 ($(cat "$work/sim.out")); GPS logs go to $build/demo/."
"$root/$build/app/gpstracking"
