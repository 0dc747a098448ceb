#pragma once
// Where the dialog's controls stand, in pixels at a DPI: the one rule that every dialog
// window and the tests place controls by.
#include "platform/dialog_window.h"

namespace glimra::platform {

struct PixelRect {
    int left, top, right, bottom;
};

// A control's rectangle on the client area. A control in a frame is placed relative to the
// frame's top-left corner; each edge is turned into pixels on its own from its place in
// twips, so that controls that meet in twips meet in pixels at any DPI.
PixelRect ControlPixels(const DialogSpec& spec, const ControlSpec& control, int dpi);

// Where the dialog's window stands on its monitor's work area, both in pixels on the screen:
// where it was laid out when the whole window fits there, otherwise centred on the work
// area, with its top-left corner kept on it, so that no part of it is out of reach at a
// scale that the layout's place did not foresee.
PixelRect PlacedWindow(const PixelRect& laid_out, const PixelRect& work_area);

}  // namespace glimra::platform
