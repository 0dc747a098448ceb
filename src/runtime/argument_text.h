#pragma once
// Taking the program's own path off a command line, as the runtime does before it hands
// the program its argument text.
#include <span>
#include <string>
#include <string_view>

namespace glimra::runtime {

// The command line without the program's path and the blanks that follow it. The path
// ends at its closing quote when it starts with one, otherwise at the first blank. The
// argument's own trailing blanks stay.
std::wstring ArgumentText(std::wstring_view command_line);

// The same, where the program knows the forms its own path may be written in (long and
// short, as the system names the file). Hosts start a saver with its path unquoted, blanks
// and all: a command line that starts with one of the forms, quoted or not and followed
// by a blank or its end, loses exactly that path. ASCII letters match in either case, as
// file names do; any other command line is taken apart as above.
std::wstring ArgumentText(std::wstring_view command_line, std::span<const std::wstring> own_paths);

}  // namespace glimra::runtime
