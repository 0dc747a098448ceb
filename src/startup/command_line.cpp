#include "startup/command_line.h"

namespace glimra {

namespace {

// Only the letters of "/s" and "/v" matter for the two equality tests, and no other
// character lower-cases to them, so ASCII folding is exact here.
bool EqualsFolded(std::wstring_view text, std::wstring_view lower) {
    if (text.size() != lower.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        wchar_t c = text[i];
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
        if (c != lower[i]) return false;
    }
    return true;
}

}  // namespace

Mode SelectMode(std::wstring_view argument_text) {
    if (argument_text.find(L"/p") != std::wstring_view::npos) return Mode::kPreview;
    if (EqualsFolded(argument_text, L"/s")) return Mode::kFullScreen;
    if (EqualsFolded(argument_text, L"/v")) return Mode::kStatement;
    return Mode::kSettings;
}

std::wstring_view PreviewHandleText(std::wstring_view argument_text) {
    return argument_text.size() <= 2 ? std::wstring_view{} : argument_text.substr(2);
}

}  // namespace glimra
