#!/usr/bin/env bash
# Builds Lumeck.scr if needed and runs it with the given switch ("/s", "/p <hwnd>", "/v",
# "/c", or nothing for the settings dialog): natively on Windows, under Wine elsewhere.
# "/p" without a handle shows the preview in a small window like the display settings' one.
#
# Under Wine it runs in a prefix of its own, ${XDG_DATA_HOME:-$HOME/.local/share}/glimra/wine,
# prepared once with the fonts the program's texts need; a WINEPREFIX that the caller sets
# is used as it is instead.
set -euo pipefail
cd "$(dirname "$0")/.."

scr=build/windows/Lumeck.scr
host=build/windows/preview_host.exe
case "$(uname -s)" in
  MINGW* | MSYS* | CYGWIN*) native=1 ;;
  *) native=0 ;;
esac

if ((!native)); then
  source scripts/packages.sh
  glimra_need_packages scripts/run.sh "${glimra_run_packages[@]}"
fi

if [[ ! -d build/windows ]]; then
  cmake --preset windows
fi
cmake --build --preset windows --target lumeck preview_host

# "/p" alone: the preview host starts the saver with its own window's handle.
program=$scr
if [[ $# -eq 1 && $1 == /p ]]; then
  program=$host
  set --
fi

if ((native)); then
  exec "$program" "$@"
fi

export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}
if [[ -z ${WINEPREFIX:-} ]]; then
  export WINEPREFIX=${XDG_DATA_HOME:-$HOME/.local/share}/glimra/wine
  export WINEARCH=win64
  if [[ ! -e $WINEPREFIX/.glimra-prepared ]]; then
    mkdir -p "$WINEPREFIX"
    python3 scripts/prepare_wine_prefix.py
    touch "$WINEPREFIX/.glimra-prepared"
  fi
fi
exec wine "$program" "$@"
