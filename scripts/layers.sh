#!/usr/bin/env bash
# Lists each include in src/ that goes against the layers' order, from the top: startup;
# saver and settings; the platform interface (src/platform/*.h and its portable helpers);
# linux (which display system serves); the display systems and the GTK module; posix;
# runtime. A file includes its own folder and the layers below its own. The display systems
# and the GTK module implement the platform interface, so they include it too. Prints
# nothing and succeeds when every include follows the order.
cd "$(dirname "$0")/../src" || exit 2
grep -rn --include='*.cpp' --include='*.h' '^#include "' . | awk -F'"' '
    function layer(path) {
        if (path ~ /^startup\//) return 1
        if (path ~ /^(saver|settings)\//) return 2
        if (path ~ /^platform\/[^\/]+$/) return 3
        if (path ~ /^platform\/linux\//) return 4
        if (path ~ /^platform\/(x11|wayland|gtk|win32)\//) return 5
        if (path ~ /^platform\/posix\//) return 6
        if (path ~ /^runtime\//) return 7
        return 0  # made at build time: maker.h, pictures.h, the protocols
    }
    function folder(path) { sub(/\/[^\/]+$/, "", path); return path }
    {
        split(substr($1, 3), place, ":")
        from = layer(place[1]); to = layer($2)
        if (!from || !to || folder(place[1]) == folder($2) || to > from) next
        if (to == 3 && (from == 4 || from == 5)) next
        print "src/" place[1] ":" place[2] ": includes " $2; found = 1
    }
    END { exit found }'
