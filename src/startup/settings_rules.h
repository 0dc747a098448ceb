#pragma once
// The two stored settings: where they live, their defaults and accepted ranges, and how a
// stored text becomes a value.
#include <cstdint>
#include <string_view>

#include "settings/setting_keys.h"

namespace glimra {

struct SettingRule {
    std::wstring_view key;
    std::wstring_view default_text;
    std::int16_t default_value;
    std::int16_t low;
    std::int16_t high;
};

inline constexpr SettingRule kPointCountRule{kPointCountKey, L"30", 30, 10, 200};
inline constexpr SettingRule kIntervalRule{kIntervalKey, L"500", 500, 100, 2000};

// The nearest integer to the text's leading number when it lies in the rule's range,
// otherwise the default. Values of any size, infinity included, give the default; the
// range test comes before any conversion to 16 bits, so nothing overflows.
std::int16_t ApplyRule(const SettingRule& rule, std::wstring_view stored_text);

}  // namespace glimra
