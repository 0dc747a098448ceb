#include "settings/stepping.h"

#include "platform/runtime/numbers.h"

namespace glimra {

std::optional<std::wstring> StepCount(std::wstring_view text, Arrow arrow) {
    const double v = Val(text);
    if (arrow == Arrow::kUp) {
        if (v < 200) return NumberText(v + 1);
    } else {
        if (v > 0) return NumberText(v - 1);
    }
    return std::nullopt;
}

}  // namespace glimra
