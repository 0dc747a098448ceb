#pragma once
// The screen as the saver sees it: the primary monitor's rectangle and the DPI.
#include <X11/Xlib.h>

namespace glimra::x11 {

struct Rect {
    int x, y, width, height;
};

// RandR's primary output, or the whole screen when there is none.
Rect PrimaryMonitor(Display* display);

// Twips per pixel, 1440 / DPI, the DPI from the screen's width in pixels and millimetres.
float TwipsPerPixel(Display* display);

}  // namespace glimra::x11
