#!/usr/bin/env bash
# Installs what building, testing and the demo need, on Debian 12, when it is missing.
set -euo pipefail
packages=(g++ cmake make pkg-config qt6-base-dev qt6-serialport-dev libgl-dev libgtest-dev
          libfontconfig-dev
          xvfb xauth clang-format fonts-liberation
          # make package: CPack reads the binaries with file and dpkg-shlibdeps
          dpkg-dev file
          # the end-to-end tests: a private D-Bus session, the accessibility bus, and Python's
          # AT-SPI bindings to drive the program
          dbus at-spi2-core python3 python3-pyatspi gir1.2-atspi-2.0
          # the exports' tests check GPX and KML are well-formed XML
          libxml2-utils)
# `install-deps.sh fuzz` (make fuzz): also clang++ and its sanitizer and libFuzzer runtimes.
if [ "${1:-}" = fuzz ]; then packages+=(clang libclang-rt-dev); fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
