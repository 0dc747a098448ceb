#include "startup/settings_rules.h"

#include <cmath>

#include "platform/runtime/numbers.h"

namespace glimra {

std::int16_t ApplyRule(const SettingRule& rule, std::wstring_view stored_text) {
    const double nearest = std::nearbyint(Val(stored_text));  // ties to even
    if (!(nearest >= rule.low && nearest <= rule.high)) return rule.default_value;
    return CInt(nearest);
}

}  // namespace glimra
