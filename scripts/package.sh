#!/usr/bin/env bash
# Builds the Debian package, build/linux-release/glimra_<version>_amd64.deb, from the program
# alone (no tests and none of their tools). Run as root on a fresh Debian machine, it first
# installs the packages it needs; otherwise it names the missing ones.
set -euo pipefail
cd "$(dirname "$0")/.."

source scripts/packages.sh
glimra_need_packages scripts/package.sh "${glimra_linux_packages[@]}" \
  "${glimra_package_packages[@]}"
cmake --preset linux-release
cmake --build --preset linux-release --target package
