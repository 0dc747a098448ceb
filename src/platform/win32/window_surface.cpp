#include "platform/win32/window_surface.h"

#include <cmath>

#include "platform/win32/handles.h"
#include "platform/win32/screen.h"

namespace glimra::win32 {

namespace {

SIZE OuterSize(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

}  // namespace

float WindowSurface::Width() const {
    return static_cast<float>(OuterSize(window_).cx) * TwipsPerPixel();
}

float WindowSurface::Height() const {
    return static_cast<float>(OuterSize(window_).cy) * TwipsPerPixel();
}

void WindowSurface::Cls() {
    RECT client{};
    GetClientRect(window_, &client);
    WindowDC dc(window_);
    FillRect(dc.get(), &client,
             reinterpret_cast<HBRUSH>(GetClassLongPtrW(window_, GCLP_HBRBACKGROUND)));
}

// A solid disc draw_width pixels across, centred on the point; GDI clips it to the
// window. Ellipse without a pen leaves out the right and bottom edges, hence the +1. The
// DC's own brush takes the colour, so a tick creates no GDI object at all.
void WindowSurface::PSet(float x, float y, std::uint32_t colour) {
    const float twips = TwipsPerPixel();
    const int px = static_cast<int>(std::floor(x / twips));
    const int py = static_cast<int>(std::floor(y / twips));
    WindowDC dc(window_);
    if (draw_width_ <= 1) {
        SetPixelV(dc.get(), px, py, colour);
        return;
    }
    const PixelBox box = DotBox(px, py, draw_width_);
    Selection pen(dc.get(), GetStockObject(NULL_PEN));
    Selection fill(dc.get(), GetStockObject(DC_BRUSH));
    SetDCBrushColor(dc.get(), colour);
    Ellipse(dc.get(), box.left, box.top, box.right + 1, box.bottom + 1);
}

}  // namespace glimra::win32
