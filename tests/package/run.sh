#!/usr/bin/env bash
# The Debian package as a technician gets it: made by CPack from this build, unpacked into a
# scratch root (no root rights needed), and the unpacked program run against the unpacked
# simulated unit: --version, --help, the help text, the desktop entry and icons, and a transfer.
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log") || { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/out/gpstracking_*.deb)
dpkg-deb -f "$deb" Depends | grep -q libqt6serialport6 || fail "Depends lacks the serial port library"
root=$work/root
dpkg-deb -x "$deb" "$root"

for file in usr/bin/gpstracking usr/bin/gpstracking-unit-sim usr/share/gpstracking/info.txt \
            usr/share/applications/gpstracking.desktop \
            usr/share/icons/hicolor/scalable/apps/gpstracking.svg \
            usr/share/icons/hicolor/48x48/apps/gpstracking.png \
            usr/bin/gpstracking-cli usr/share/man/man1/gpstracking.1.gz \
            usr/share/man/man1/gpstracking-unit-sim.1.gz usr/share/man/man1/gpstracking-cli.1.gz \
            usr/share/doc/gpstracking/copyright; do
  [ -s "$root/$file" ] || fail "$file missing from the package"
done
grep -qx 'Exec=gpstracking' "$root/usr/share/applications/gpstracking.desktop" ||
  fail "the desktop entry does not start gpstracking"

version=$(sed -n 's/^project(gpstracking VERSION \([0-9.]*\).*/\1/p' "$source/CMakeLists.txt")
[ "$("$root/usr/bin/gpstracking" --version)" = "gpstracking $version" ] || fail "--version"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version"
"$root/usr/bin/gpstracking" --help | grep -qx "Help text: $root/usr/share/gpstracking/info.txt" ||
  fail "--help does not find the installed help text"
[ "$("$root/usr/bin/gpstracking-cli" --version)" = "gpstracking-cli $version" ] || fail "gpstracking-cli --version"

# The unpacked program, help and a configuration upload, against the unpacked unit.
/usr/bin/python3 "$source/tests/e2e/run.py" --app "$root/usr/bin/gpstracking" \
  --sim "$root/usr/bin/gpstracking-unit-sim" help_and_a_transfer
