#pragma once
// Texts cross the boundary as UTF-32 (std::wstring on Linux); GTK takes UTF-8.
#include <string>
#include <string_view>

namespace glimra::gtk {

std::string Utf8(std::wstring_view text);
std::wstring Wide(const char* utf8);

}  // namespace glimra::gtk
