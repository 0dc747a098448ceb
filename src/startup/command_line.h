#pragma once
// The command-line grammar of the saver.
#include <string_view>

namespace glimra {

enum class Mode { kPreview, kFullScreen, kStatement, kSettings };

// "/p" anywhere (case-sensitive) is the preview; the whole text equal to "/s" or "/v" in
// any letter case is the saver or the statement box; anything else is the dialog.
Mode SelectMode(std::wstring_view argument_text);

// The preview's handle text: the argument text without its first two characters.
std::wstring_view PreviewHandleText(std::wstring_view argument_text);

}  // namespace glimra
