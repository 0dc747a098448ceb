#pragma once
// The painter's surface over a real window: sizes in twips from the window's outer
// rectangle, and drawing straight onto its DC, so that nothing is kept for a repaint.
#include <windows.h>

#include "saver/painter.h"

namespace glimra::win32 {

class WindowSurface final : public Surface {
  public:
    WindowSurface(HWND window, int draw_width) : window_(window), draw_width_(draw_width) {}
    float Width() const override;
    float Height() const override;
    void Cls() override;
    void PSet(float x, float y, std::uint32_t colour) override;

  private:
    HWND window_;
    int draw_width_;
};

}  // namespace glimra::win32
