#pragma once
// How a scroll bar steps: what an end arrow, a click in the track, the ends and the thumb
// do to its position, for any range and steps. Platforms whose scroll bars leave the
// stepping to the program use it.
#include "platform/scroll_spec.h"

namespace glimra::platform {

enum class ScrollAction { kLineLess, kLineMore, kPageLess, kPageMore, kFirst, kLast, kTo };

// The position after `action`, held within the range; `to` is the thumb's place for kTo.
int Scrolled(const ScrollSpec& scroll, int position, ScrollAction action, int to = 0);

}  // namespace glimra::platform
