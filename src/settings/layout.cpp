#include "settings/layout.h"

#include <algorithm>

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

int Scrolled(int position, ScrollAction action, int to) {
    switch (action) {
        case ScrollAction::kLineLess:
            position -= kSpeedSmallStep;
            break;
        case ScrollAction::kLineMore:
            position += kSpeedSmallStep;
            break;
        case ScrollAction::kPageLess:
            position -= kSpeedLargeStep;
            break;
        case ScrollAction::kPageMore:
            position += kSpeedLargeStep;
            break;
        case ScrollAction::kFirst:
            position = kSpeedMin;
            break;
        case ScrollAction::kLast:
            position = kSpeedMax;
            break;
        case ScrollAction::kTo:
            position = to;
            break;
    }
    return std::clamp(position, kSpeedMin, kSpeedMax);
}

}  // namespace glimra::layout
