#pragma once
// Taking the program's own path off a command line, as the runtime does before it hands
// the program its argument text.
#include <string>
#include <string_view>

namespace glimra {

// The command line without the program's path and the blanks that follow it. The path
// ends at its closing quote when it starts with one, otherwise at the first blank. The
// argument's own trailing blanks stay.
std::wstring ArgumentText(std::wstring_view command_line);

}  // namespace glimra
