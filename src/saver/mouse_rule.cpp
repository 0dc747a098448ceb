#include "saver/mouse_rule.h"

namespace glimra {

bool MouseMoveRule::Move(bool inpreview, float x, float y) {
    if (inpreview) return false;
    const bool unload = lastx_ != 0 && lasty_ != 0 && (x != lastx_ || y != lasty_);
    lastx_ = x;
    lasty_ = y;
    return unload;
}

}  // namespace glimra
