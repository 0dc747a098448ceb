#pragma once
// The painter's surface over the saver's window: sizes in twips from the window's outer
// rectangle, and drawing straight onto the window's own DC (CS_OWNDC), so that nothing is
// kept for a repaint and a tick makes no GDI object.
#include <windows.h>

#include <optional>
#include <vector>

#include "platform/surface.h"
#include "platform/win32/handles.h"

namespace glimra::win32 {

class WindowSurface final : public Surface {
  public:
    // Takes the window's own DC and readies it for dots: no outline, the DC's own brush.
    void Attach(HWND window);
    void Detach();
    // The pen's width at 96 DPI; it is drawn scaled to the window's DPI.
    void SetDrawWidth(int pixels) { draw_width_ = pixels; }

    float Width() const override;
    float Height() const override;
    void Cls() override;
    void PSet(float x, float y, std::uint32_t colour) override;

  private:
    void Remember(const RECT& box);
    float TwipsPerPixel() const;

    HWND window_ = nullptr;
    std::optional<WindowDC> dc_;
    int draw_width_ = 1;
    // The boxes of the dots since the last clear: the window shows nothing else, so
    // clearing them clears the window, without filling and flushing the whole screen.
    std::vector<RECT> dots_;
    bool clear_all_ = false;
};

}  // namespace glimra::win32
