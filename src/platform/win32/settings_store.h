#pragma once
// The per-user program settings: text values under
// HKEY_CURRENT_USER\Software\VB and VBA Program Settings\<application>\<section>, where the
// settings of earlier installs of this saver are found.
#include <string>
#include <string_view>

namespace glimra::win32 {

// The stored text, or `default_text` when the value, its key or the application's key is
// missing, or when the value is not a REG_SZ.
std::wstring GetSetting(std::wstring_view app, std::wstring_view section, std::wstring_view key,
                        std::wstring_view default_text);

// Stores the text as REG_SZ, creating the keys it needs. A refused write raises a
// run-time error.
void SaveSetting(std::wstring_view app, std::wstring_view section, std::wstring_view key,
                 std::wstring_view text);

}  // namespace glimra::win32
