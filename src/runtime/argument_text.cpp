#include "runtime/argument_text.h"

namespace glimra::runtime {

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

wchar_t FoldAscii(wchar_t c) { return c >= L'a' && c <= L'z' ? c - L'a' + L'A' : c; }

bool EqualFolded(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    }
    return true;
}

// Where the path ends when the command line starts with it: after its closing quote when
// quoted, before the blank or the end that follows it otherwise; 0 when it does not start
// the command line.
std::size_t OwnPathEnd(std::wstring_view line, std::wstring_view path) {
    const std::size_t start = !line.empty() && line[0] == L'"' ? 1 : 0;
    if (path.empty() || line.size() - start < path.size() ||
        !EqualFolded(line.substr(start, path.size()), path)) {
        return 0;
    }
    const std::size_t end = start + path.size();
    if (start == 1) return end < line.size() && line[end] == L'"' ? end + 1 : 0;
    return end == line.size() || IsBlank(line[end]) ? end : 0;
}

std::wstring AfterBlanks(std::wstring_view line, std::size_t i) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    return std::wstring(line.substr(i));
}

}  // namespace

std::wstring ArgumentText(std::wstring_view command_line) {
    std::size_t i = 0;
    if (!command_line.empty() && command_line[0] == L'"') {
        const std::size_t close = command_line.find(L'"', 1);
        i = close == std::wstring_view::npos ? command_line.size() : close + 1;
    } else {
        while (i < command_line.size() && !IsBlank(command_line[i])) ++i;
    }
    return AfterBlanks(command_line, i);
}

std::wstring ArgumentText(std::wstring_view command_line, std::span<const std::wstring> own_paths) {
    for (const std::wstring& path : own_paths) {
        if (const std::size_t end = OwnPathEnd(command_line, path)) {
            return AfterBlanks(command_line, end);
        }
    }
    return ArgumentText(command_line);
}

}  // namespace glimra::runtime
