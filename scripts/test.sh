#!/usr/bin/env bash
# Builds the three trees and runs every test: the native unit tests and fuzzers, the real
# Lumeck.scr under Wine on a private X display, and the real lumeck on a private two-head
# Xorg and under XScreenSaver. Run as root on a fresh Debian machine, it first installs the
# packages it needs.
set -euo pipefail
cd "$(dirname "$0")/.."

source scripts/packages.sh
glimra_need_packages scripts/test.sh "${glimra_run_packages[@]}" \
  "${glimra_linux_packages[@]}" "${glimra_package_packages[@]}" "${glimra_test_packages[@]}"

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
