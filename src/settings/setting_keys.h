#pragma once
// Where the two settings are stored: start-up reads them, the dialog's OK writes them.
#include <string_view>

namespace glimra {

inline constexpr std::wstring_view kSettingsApp = L"Vestrel";
inline constexpr std::wstring_view kSettingsSection = L"config";
inline constexpr std::wstring_view kPointCountKey = L"NumberofPoint";
inline constexpr std::wstring_view kIntervalKey = L"speed";

}  // namespace glimra
