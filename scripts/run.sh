#!/usr/bin/env bash
# Runs the saver with the given switch ("/s", "/p <id>", "/v", "/c", or nothing for the
# settings dialog). On Linux it builds and runs the native lumeck (also "--root" or
# "--window-id <id>", as screen-saver hosts start it); with --wine first, or on Windows,
# it builds and runs Lumeck.scr, under Wine on Linux. Run as root on a fresh Debian
# machine, it first installs the packages it needs; otherwise it names the missing ones.
#
# "/p" without a handle shows the preview in a small window like the display settings'
# one. Under Wine it runs in a prefix of its own, ${XDG_DATA_HOME:-$HOME/.local/share}/
# glimra/wine, prepared once with the fonts the program's texts need; a WINEPREFIX that the
# caller sets is used as it is instead.
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

if ((!native_windows)); then
  source scripts/packages.sh
  if ((wine)); then
    glimra_need_packages scripts/run.sh "${glimra_run_packages[@]}"
  else
    glimra_need_packages scripts/run.sh "${glimra_linux_packages[@]}"
  fi
fi

# Only the program is built, without the tests (a tree that scripts/test.sh configured keeps
# them, unbuilt here).
if ((!wine)); then
  [[ -d build/linux ]] || cmake --preset linux -DBUILD_TESTING=OFF
  cmake --build --preset linux --target lumeck lumeck_gtk
  if [[ $# -eq 1 && $1 == /p ]]; then
    # A small host window like the display settings' preview: lumeck paints into it. Debian's
    # python3, whose GTK binding the package list brings.
    exec /usr/bin/python3 - build/linux/lumeck <<'PY'
import subprocess, sys, gi
gi.require_version("Gtk", "3.0")
gi.require_version("GdkX11", "3.0")
from gi.repository import Gtk, GdkX11  # noqa: F401 (GdkX11 gives the window its XID)
host = Gtk.Window(title="预览")
host.set_size_request(152, 112)  # a window that cannot be resized drops its default size
host.set_resizable(False)
host.connect("destroy", Gtk.main_quit)
host.show_all()
saver = subprocess.Popen([sys.argv[1], "/p", str(host.get_window().get_xid())])
Gtk.main()
saver.wait()
PY
  fi
  exec build/linux/lumeck "$@"
fi

scr=build/windows/Lumeck.scr
host=build/windows/preview_host.exe
[[ -d build/windows ]] || cmake --preset windows -DBUILD_TESTING=OFF
cmake --build --preset windows --target lumeck preview_host

# "/p" alone: the preview host starts the saver with its own window's handle.
program=$scr
if [[ $# -eq 1 && $1 == /p ]]; then
  program=$host
  set --
fi
if ((native_windows)); then
  exec "$program" "$@"
fi

export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}
if [[ -z ${WINEPREFIX:-} ]]; then
  export WINEPREFIX=${XDG_DATA_HOME:-$HOME/.local/share}/glimra/wine
  export WINEARCH=win64
  if [[ ! -e $WINEPREFIX/.glimra-prepared ]]; then
    mkdir -p "$WINEPREFIX"
    /usr/bin/python3 scripts/prepare_wine_prefix.py
    touch "$WINEPREFIX/.glimra-prepared"
  fi
fi
exec wine "$program" "$@"
