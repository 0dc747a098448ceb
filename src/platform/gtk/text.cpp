#include "platform/gtk/text.h"

#include <glib.h>

namespace glimra::gtk {

static_assert(sizeof(wchar_t) == sizeof(gunichar), "wide texts are UTF-32 here");

std::string Utf8(std::wstring_view text) {
    gchar* utf8 = g_ucs4_to_utf8(reinterpret_cast<const gunichar*>(text.data()),
                                 static_cast<glong>(text.size()), nullptr, nullptr, nullptr);
    std::string result = utf8 ? utf8 : "";
    g_free(utf8);
    return result;
}

std::wstring Wide(const char* utf8) {
    glong length = 0;
    gunichar* wide = g_utf8_to_ucs4_fast(utf8 ? utf8 : "", -1, &length);
    std::wstring result(reinterpret_cast<const wchar_t*>(wide), static_cast<std::size_t>(length));
    g_free(wide);
    return result;
}

}  // namespace glimra::gtk
