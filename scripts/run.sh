#!/usr/bin/env bash
# Runs the saver with the given switch ("/s", "/p <id>", "/v", "/c", or nothing for the
# settings dialog). On Linux it builds and runs the native lumeck (also "--root" or
# "--window-id <id>", as screen-saver hosts start it); with --wine first, or on Windows,
# it builds and runs Lumeck.scr, under Wine on Linux.
set -euo pipefail
cd "$(dirname "$0")/.."

case "$(uname -s)" in
  MINGW* | MSYS* | CYGWIN*) native_windows=1 ;;
  *) native_windows=0 ;;
esac
wine=$native_windows
if [[ ${1:-} == --wine ]]; then
  wine=1
  shift
fi

if ((!wine)); then
  [[ -d build/linux ]] || cmake --preset linux
  cmake --build --preset linux
  exec build/linux/lumeck "$@"
fi

scr=build/windows/Lumeck.scr
[[ -d build/windows ]] || cmake --preset windows
cmake --build --preset windows --target lumeck
if ((native_windows)); then
  exec "$scr" "$@"
fi
command -v wine >/dev/null || {
  echo "scripts/run.sh: wine is not installed (apt-get install wine wine64)" >&2
  exit 1
}
export WINEDEBUG=${WINEDEBUG:--all}
exec wine "$scr" "$@"
