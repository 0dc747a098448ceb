#include "platform/dialog_layout.h"

#include <algorithm>

#include "platform/scaling.h"

namespace glimra::platform {

PixelRect ControlPixels(const DialogSpec& spec, const ControlSpec& control, int dpi) {
    int left = control.left;
    int top = control.top;
    for (const ControlSpec& frame : spec.controls) {
        if (control.container != 0 && frame.id == control.container) {
            left += frame.left;
            top += frame.top;
        }
    }
    return {TwipsToPixels(left, dpi), TwipsToPixels(top, dpi),
            TwipsToPixels(left + control.width, dpi), TwipsToPixels(top + control.height, dpi)};
}

PixelRect PlacedWindow(const PixelRect& laid_out, const PixelRect& work_area) {
    const bool fits = laid_out.left >= work_area.left && laid_out.top >= work_area.top &&
                      laid_out.right <= work_area.right && laid_out.bottom <= work_area.bottom;
    if (fits) return laid_out;
    const int width = laid_out.right - laid_out.left;
    const int height = laid_out.bottom - laid_out.top;
    const int left = std::max(work_area.left, (work_area.left + work_area.right - width) / 2);
    const int top = std::max(work_area.top, (work_area.top + work_area.bottom - height) / 2);
    return {left, top, left + width, top + height};
}

}  // namespace glimra::platform
