#!/usr/bin/env bash
# Builds both trees and runs every test: the native unit tests and fuzzers, then the real
# Lumeck.scr under Wine on a private X display. Run as root on a fresh Debian machine, it
# first installs the packages it needs.
set -euo pipefail
cd "$(dirname "$0")/.."

source scripts/packages.sh
glimra_need_packages scripts/test.sh "${glimra_run_packages[@]}" "${glimra_test_packages[@]}"

jobs=$(nproc)
cmake --preset native
cmake --build --preset native -j "$jobs"
cmake --preset windows
cmake --build --preset windows -j "$jobs"

status=0
ctest --preset native -j "$jobs" || status=1
ctest --preset windows || status=1
exit "$status"
