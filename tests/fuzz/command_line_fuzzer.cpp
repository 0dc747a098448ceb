// The command-line grammar, from the whole command line to the preview's parent handle,
// against the rules restated independently.
#include <cmath>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "platform/runtime/argument_text.h"
#include "platform/runtime/numbers.h"
#include "platform/runtime/runtime_error.h"
#include "startup/command_line.h"

namespace glimra {
namespace {

bool IsSwitch(const std::wstring& text, wchar_t letter) {
    return text.size() == 2 && text[0] == L'/' &&
           (text[1] == letter || text[1] == static_cast<wchar_t>(letter - L'a' + L'A'));
}

Mode ReferenceMode(const std::wstring& text) {
    if (text.find(L"/p") != std::wstring::npos) return Mode::kPreview;
    if (IsSwitch(text, L's')) return Mode::kFullScreen;
    if (IsSwitch(text, L'v')) return Mode::kStatement;
    return Mode::kSettings;
}

void CheckArgument(const std::wstring& line, const std::wstring& argument) {
    FUZZ_CHECK(argument.size() <= line.size());
    FUZZ_CHECK(line.compare(line.size() - argument.size(), argument.size(), argument) == 0);
    FUZZ_CHECK(argument.empty() || (argument[0] != L' ' && argument[0] != L'\t'));
    const std::wstring path = line.substr(0, line.size() - argument.size());
    // A quoted path ends at its closing quote, or takes the whole line without one; an
    // unquoted path ends at its first blank. Only blanks follow the path.
    std::size_t end = path.find_first_of(L" \t");
    if (!line.empty() && line[0] == L'"') {
        end = line.find(L'"', 1);
        if (end == std::wstring::npos) {
            FUZZ_CHECK(argument.empty());
            return;
        }
        ++end;
        FUZZ_CHECK(end <= path.size());
    }
    if (end != std::wstring::npos && end < path.size()) {
        FUZZ_CHECK(path.find_first_not_of(L" \t", end) == std::wstring::npos);
    }
}

void CheckPreview(const std::wstring& argument) {
    const std::wstring_view handle_text = PreviewHandleText(argument);
    FUZZ_CHECK(argument.size() >= 2);
    FUZZ_CHECK(handle_text == std::wstring_view(argument).substr(2));
    const double value = Val(handle_text);
    try {
        const std::int32_t handle = CLng(value);
        FUZZ_CHECK(std::fabs(static_cast<double>(handle) - value) <= 0.5);
    } catch (const RuntimeError& error) {
        FUZZ_CHECK(error.number == kErrOverflow);
        FUZZ_CHECK(value >= 2147483647.5 || value < -2147483648.5);
    }
}

}  // namespace
}  // namespace glimra

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace glimra;
    const std::wstring line = fuzz::Utf16Units(data, size);
    const std::wstring argument = ArgumentText(line);
    CheckArgument(line, argument);
    // The grammar takes any text, so it is checked on the raw line as well.
    for (const std::wstring* text : {&argument, &line}) {
        const Mode mode = SelectMode(*text);
        FUZZ_CHECK(mode == ReferenceMode(*text));
        if (mode == Mode::kPreview) CheckPreview(*text);
    }
    return 0;
}
