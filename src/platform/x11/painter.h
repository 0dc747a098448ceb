#pragma once
// Drawing on one window: a graphics context, and each colour as the window's visual takes
// it. A true-colour visual takes the colour as it is; any other (an 8-bit PseudoColor
// screen) lends a cell of the colour map per dot, held until the next clear. A full map
// gives white.
#include <xcb/xcb.h>

#include <cstdint>
#include <vector>

#include "platform/surface.h"

namespace glimra::x11 {

class Painter {
  public:
    void Open(xcb_window_t window, xcb_visualid_t visual, xcb_colormap_t colormap);
    void Close();
    void Clear(int width, int height);  // black, and the lent cells back
    void Dot(PixelBox box, std::uint32_t colour);

  private:
    std::uint32_t PixelOf(std::uint32_t colour);
    void SetForeground(std::uint32_t pixel);

    xcb_window_t window_ = XCB_NONE;
    xcb_gcontext_t gc_ = XCB_NONE;
    const xcb_visualtype_t* visual_ = nullptr;  // null: not true colour
    xcb_colormap_t colormap_ = XCB_NONE;
    std::vector<std::uint32_t> lent_;  // colour cells of the dots since the last clear
};

}  // namespace glimra::x11
