#pragma once
// The screen as the saver sees it: the primary monitor's rectangle and the DPI.
#include <X11/Xlib.h>

namespace glimra::x11 {

struct Rect {
    int x, y, width, height;
};

// RandR's primary output, or the whole screen as it is now when there is none.
Rect PrimaryMonitor(Display* display);

// Asks for RandR's screen-change events, which then come as XEvents of the type returned
// (0 without RandR). They tell that outputs, monitors or the screen's size changed.
int WatchScreenChanges(Display* display);

// Twips per pixel, 1440 / DPI, the DPI from the screen's width in pixels and millimetres.
float TwipsPerPixel(Display* display);

}  // namespace glimra::x11
