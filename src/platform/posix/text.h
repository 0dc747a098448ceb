#pragma once
// The program's texts are UTF-32 (std::wstring); files, GLib and X speak UTF-8.
#include <string>
#include <string_view>

namespace glimra::posix {

// A code point that UTF-8 cannot carry (a surrogate, beyond U+10FFFF) becomes U+FFFD.
std::string ToUtf8(std::wstring_view text);
// Text that is not valid UTF-8 has its faulty bytes replaced by U+FFFD.
std::wstring FromUtf8(std::string_view text);

}  // namespace glimra::posix
