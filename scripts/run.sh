#!/usr/bin/env bash
# Builds Lumeck.scr if needed and runs it with the given switch ("/s", "/p <hwnd>", "/v",
# "/c", or nothing for the settings dialog): natively on Windows, under Wine elsewhere.
set -euo pipefail
cd "$(dirname "$0")/.."

scr=build/windows/Lumeck.scr
case "$(uname -s)" in
  MINGW* | MSYS* | CYGWIN*) native=1 ;;
  *) native=0 ;;
esac

if [[ ! -d build/windows ]]; then
  cmake --preset windows
fi
cmake --build --preset windows --target lumeck

if ((native)); then
  exec "$scr" "$@"
fi
command -v wine >/dev/null || {
  echo "scripts/run.sh: wine is not installed (apt-get install wine wine64)" >&2
  exit 1
}
export WINEDEBUG=${WINEDEBUG:--all}
exec wine "$scr" "$@"
