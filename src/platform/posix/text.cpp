#include "platform/posix/text.h"

#include <glib.h>

namespace glimra::posix {

std::string ToUtf8(std::wstring_view text) {
    std::string utf8;
    utf8.reserve(text.size());
    for (const wchar_t c : text) {
        const auto code = static_cast<gunichar>(c);
        char bytes[6];
        const gint length = g_unichar_to_utf8(g_unichar_validate(code) ? code : 0xFFFD, bytes);
        utf8.append(bytes, static_cast<std::size_t>(length));
    }
    return utf8;
}

std::wstring FromUtf8(std::string_view text) {
    g_autofree gchar* valid = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
    glong length = 0;
    g_autofree gunichar* codes = g_utf8_to_ucs4_fast(valid, -1, &length);
    return std::wstring(codes, codes + length);
}

}  // namespace glimra::posix
