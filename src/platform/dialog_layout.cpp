#include "platform/dialog_layout.h"

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

}  // namespace glimra::platform
