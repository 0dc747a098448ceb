#pragma once
// The screen as the saver sees it: its DPI, whether it is Xwayland, the blank pointer.
#include <xcb/xcb.h>

namespace glimra::x11 {

// Twips per pixel, 1440 / DPI, the DPI from the screen's width in pixels and millimetres.
float TwipsPerPixel(const xcb_screen_t& screen);

// Under Xwayland (the server offers the XWAYLAND extension) the compositor routes the keys,
// and an X11 grab proves nothing. The question goes out with the other requests of the load,
// so the answer costs no round trip of its own.
void AskWhetherXwayland();
bool OnXwayland();

// A pointer that shows nothing, for `window`'s screen.
xcb_cursor_t BlankCursor(xcb_window_t window);

}  // namespace glimra::x11
