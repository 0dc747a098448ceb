#include "settings/layout.h"

namespace glimra::layout {

Rect ClientRect(const Control& control) {
    int left = control.left;
    int top = control.top;
    for (const Control& frame : kControls) {
        if (frame.id == control.container) {
            left += frame.left;
            top += frame.top;
        }
    }
    return {left, top, left + control.width, top + control.height};
}

}  // namespace glimra::layout
