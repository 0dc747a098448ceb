#include "platform/win32/window_surface.h"

#include "platform/scaling.h"
#include "platform/win32/screen.h"

namespace glimra::win32 {

namespace {

SIZE OuterSize(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

}  // namespace

// An own DC keeps what is selected into it for the window's life; the stock pen and brush
// need no restoring.
void WindowSurface::Attach(HWND window) {
    window_ = window;
    dc_.emplace(window);
    SelectObject(dc_->get(), GetStockObject(NULL_PEN));
    SelectObject(dc_->get(), GetStockObject(DC_BRUSH));
}

void WindowSurface::Detach() {
    dc_.reset();
    window_ = nullptr;
}

// Read at every call, as the window may come to another DPI.
float WindowSurface::TwipsPerPixel() const { return platform::TwipsPerPixel(WindowDpi(window_)); }

float WindowSurface::Width() const {
    return static_cast<float>(OuterSize(window_).cx) * TwipsPerPixel();
}

float WindowSurface::Height() const {
    return static_cast<float>(OuterSize(window_).cy) * TwipsPerPixel();
}

// The window keeps no image, so only the dots painted since the last clear can be on it;
// filling their boxes with the background leaves it as a full fill would. Should the list
// grow past any count the painter reaches, the whole client area is filled instead.
void WindowSurface::Cls() {
    const auto background = reinterpret_cast<HBRUSH>(GetClassLongPtrW(window_, GCLP_HBRBACKGROUND));
    if (clear_all_) {
        RECT client{};
        GetClientRect(window_, &client);
        FillRect(dc_->get(), &client, background);
    } else {
        for (const RECT& dot : dots_) FillRect(dc_->get(), &dot, background);
    }
    dots_.clear();
    clear_all_ = false;
}

void WindowSurface::Remember(const RECT& box) {
    constexpr std::size_t kMostDots = 4096;
    if (clear_all_) return;
    if (dots_.size() == kMostDots) {
        clear_all_ = true;
        dots_.clear();
        return;
    }
    try {
        dots_.push_back(box);
    } catch (...) {  // out of memory: the next clear fills everything
        clear_all_ = true;
        dots_.clear();
    }
}

// A solid disc as wide as the pen at the window's DPI, centred on the point; GDI clips it
// to the window. Ellipse without a pen leaves out the right and bottom edges, hence the +1.
void WindowSurface::PSet(float x, float y, std::uint32_t colour) {
    const int dpi = WindowDpi(window_);
    const float twips = platform::TwipsPerPixel(dpi);
    const int width = platform::ScaledPixels(draw_width_, dpi);
    const int px = platform::TwipsToPixelFloor(x, twips);
    const int py = platform::TwipsToPixelFloor(y, twips);
    const HDC dc = dc_->get();
    const PixelBox box = DotBox(px, py, width);
    Remember({box.left, box.top, box.right + 1, box.bottom + 1});  // as much as Ellipse may fill
    if (width <= 1) {
        SetPixelV(dc, px, py, colour);
        return;
    }
    SetDCBrushColor(dc, colour);
    Ellipse(dc, box.left, box.top, box.right + 1, box.bottom + 1);
}

}  // namespace glimra::win32
