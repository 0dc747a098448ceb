#pragma once
// The screen as the saver sees it: its DPI, whether it is Xwayland, the blank pointer.
#include <xcb/xcb.h>

namespace glimra::x11 {

// Twips per pixel, 1440 / DPI, the DPI from the screen's width in pixels and millimetres.
float TwipsPerPixel(const xcb_screen_t& screen);

// Under Xwayland the compositor routes the keys, and an X11 grab proves nothing. Xwayland 23.1
// and later offer the XWAYLAND extension; older ones (22.1 in Debian 12) are known by RandR's
// monitors, which they name XWAYLAND0, XWAYLAND1... The extensions are asked for with the
// other requests of the load, so that their answers cost no round trip of their own.
void AskWhetherXwayland();
bool OnXwayland();

// A pointer that shows nothing, for `window`'s screen.
xcb_cursor_t BlankCursor(xcb_window_t window);

}  // namespace glimra::x11
