// The command line, from the whole line to the preview's host handle: the argument text is what
// follows the path and its blanks, and a handle is always one the platform can name.
#include "fuzz_support.h"
#include "runtime/argument_text.h"
#include "startup/command_line.h"
#include "startup/preview_handle.h"

using namespace glimra;
using namespace glimra::runtime;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring line = Utf16Units(data, size);
    const std::wstring argument = ArgumentText(line);
    Check(line.ends_with(argument), "the argument text ends the line");
    Check(argument.empty() || (argument[0] != L' ' && argument[0] != L'\t'), "no leading blank");
    // An unquoted path ends at its first blank, a quoted one at its closing quote.
    const std::wstring path = line.substr(0, line.size() - argument.size());
    const bool quoted = line.starts_with(L'"');
    const std::size_t end = quoted ? line.find(L'"', 1) : path.find_first_of(L" \t");
    Check(!quoted || end != std::wstring::npos || argument.empty(), "an unclosed quote");
    Check(end == std::wstring::npos || end + quoted >= path.size() ||
              path.find_first_not_of(L" \t", end + quoted) == std::wstring::npos,
          "only blanks follow the path");
    for (const std::wstring& text : {argument, line}) {
        if (SelectMode(text) != Mode::kPreview) continue;
        const auto windows = PreviewHandle(text, platform::HostHandleForm::kWindows);
        const auto x11 = PreviewHandle(text, platform::HostHandleForm::kX11);
        Check(!windows || (*windows != 0 && *windows >= INT32_MIN && *windows <= INT32_MAX),
              "a Windows handle is a nonzero 32-bit value");
        Check(!x11 || (*x11 >= 1 && *x11 <= UINT32_MAX), "an X11 id is a nonzero 32-bit value");
    }
    return 0;
}
