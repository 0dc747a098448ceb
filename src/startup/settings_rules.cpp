#include "startup/settings_rules.h"

#include <cmath>

#include "runtime/numbers.h"

namespace glimra {

std::int16_t ApplyRule(const SettingRule& rule, std::wstring_view stored_text) {
    const double nearest = std::nearbyint(runtime::Val(stored_text));  // ties to even
    if (!(nearest >= rule.low && nearest <= rule.high)) return rule.default_value;
    return runtime::CInt(nearest);
}

}  // namespace glimra
