#include "platform/scrolling.h"

#include <algorithm>

namespace glimra::platform {

int Scrolled(const ScrollSpec& scroll, int position, ScrollAction action, int to) {
    switch (action) {
        case ScrollAction::kLineLess:
            position -= scroll.small_step;
            break;
        case ScrollAction::kLineMore:
            position += scroll.small_step;
            break;
        case ScrollAction::kPageLess:
            position -= scroll.large_step;
            break;
        case ScrollAction::kPageMore:
            position += scroll.large_step;
            break;
        case ScrollAction::kFirst:
            position = scroll.min;
            break;
        case ScrollAction::kLast:
            position = scroll.max;
            break;
        case ScrollAction::kTo:
            position = to;
            break;
    }
    return std::clamp(position, scroll.min, scroll.max);
}

}  // namespace glimra::platform
