#include "startup/command_line.h"

namespace glimra {

std::wstring ArgumentText(std::wstring_view command_line) {
    std::size_t i = 0;
    if (!command_line.empty() && command_line[0] == L'"') {
        const std::size_t close = command_line.find(L'"', 1);
        i = close == std::wstring_view::npos ? command_line.size() : close + 1;
    } else {
        while (i < command_line.size() && command_line[i] != L' ' && command_line[i] != L'\t') {
            ++i;
        }
    }
    while (i < command_line.size() && (command_line[i] == L' ' || command_line[i] == L'\t')) {
        ++i;
    }
    return std::wstring(command_line.substr(i));
}

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
