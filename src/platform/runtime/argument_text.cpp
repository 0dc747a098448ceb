#include "platform/runtime/argument_text.h"

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

}  // namespace glimra
