#!/usr/bin/env bash
# Builds the three trees and runs every test: the native unit tests and fuzzers, the real
# Lumeck.scr under Wine on a private X display, and the real lumeck on a private two-head
# Xorg and under XScreenSaver. Run as root on a fresh Debian machine, it first installs the
# packages it needs.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  cmake ninja-build git python3 locales clang clang-format libclang-rt-14-dev
  googletest libgtest-dev libbenchmark-dev
  g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
  wine wine64 fonts-wine xvfb xdotool x11-utils imagemagick fonts-wqy-zenhei
  g++ pkg-config libx11-dev libxrandr-dev libxfixes-dev libglib2.0-dev libgtk-3-dev
  xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils xscreensaver procps util-linux
  at-spi2-core python3-pyatspi python3-gi gir1.2-atspi-2.0 dbus dbus-x11
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
    missing+=("$package")
done
if ((${#missing[@]})); then
  if [[ $(id -u) -ne 0 ]]; then
    echo "scripts/test.sh: missing Debian packages: ${missing[*]}" >&2
    echo "Install them (sudo apt-get install ${missing[*]}) or run this script as root." >&2
    exit 1
  fi
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

jobs=$(nproc)
cmake --preset native
cmake --build --preset native -j "$jobs"
cmake --preset windows
cmake --build --preset windows -j "$jobs"
cmake --preset linux
cmake --build --preset linux -j "$jobs"

status=0
ctest --preset native -j "$jobs" || status=1
ctest --preset windows || status=1
ctest --preset linux || status=1
exit "$status"
