#pragma once
// The preview's host window, read from the argument text.
#include <optional>
#include <string_view>

#include "platform/saver_window.h"

namespace glimra {

// The handle text is the argument text without its first two characters, read with Val
// and taken to the nearest integer, ties to even.
//
// Windows: -2^31 to 2^31 - 1 is the handle itself; 2^31 to 2^32 - 1 is the unsigned
// decimal form Windows passes, naming the handle of those low 32 bits sign-extended.
// X11: the same reading, or "0x"/"0X" and hexadecimal digits after any blanks, as X tools
// print window ids; ids run from 1 to 2^32 - 1.
//
// Anything else, and 0, is no handle: a saver that painted nowhere would linger unseen and
// refuse every later start, so the caller ends the process instead.
std::optional<platform::HostHandle> PreviewHandle(std::wstring_view argument_text,
                                                  platform::HostHandleForm form);

}  // namespace glimra
