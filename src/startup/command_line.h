#pragma once
// The command-line grammar of the saver.
#include <string>
#include <string_view>

namespace glimra {

enum class Mode { kPreview, kFullScreen, kStatement, kSettings };

// The argument text: the process command line without the program's own path and the
// blanks that follow it. The path ends at its closing quote when it starts with one,
// otherwise at the first blank.
std::wstring ArgumentText(std::wstring_view command_line);

// "/p" anywhere (case-sensitive) is the preview; the whole text equal to "/s" or "/v" in
// any letter case is the saver or the statement box; anything else is the dialog.
Mode SelectMode(std::wstring_view argument_text);

// The preview's handle text: the argument text without its first two characters.
std::wstring_view PreviewHandleText(std::wstring_view argument_text);

}  // namespace glimra
