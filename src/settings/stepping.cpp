#include "settings/stepping.h"

#include "runtime/numbers.h"

namespace glimra {

std::optional<std::wstring> StepCount(std::wstring_view text, Arrow arrow) {
    const double v = runtime::Val(text);
    if (arrow == Arrow::kUp) {
        if (v < 200) return runtime::NumberText(v + 1);
    } else {
        if (v > 0) return runtime::NumberText(v - 1);
    }
    return std::nullopt;
}

}  // namespace glimra
