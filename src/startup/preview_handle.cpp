#include "startup/preview_handle.h"

#include <cmath>

#include "runtime/numbers.h"
#include "startup/command_line.h"

namespace glimra {

namespace {

constexpr double kTwoTo31 = 2147483648.0;
constexpr double kTwoTo32 = 4294967296.0;

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

// "0x" and hexadecimal digits after the blanks that Val skips, up to the first other
// character; nothing when the text is not in that form. Values past 2^53 lose digits in
// a double but stay beyond every valid id.
std::optional<double> HexValue(std::wstring_view text) {
    const std::size_t start = text.find_first_not_of(L" \t\r\n");
    if (start == std::wstring_view::npos || text.size() - start < 2 || text[start] != L'0' ||
        (text[start + 1] != L'x' && text[start + 1] != L'X')) {
        return std::nullopt;
    }
    double value = 0;
    for (std::size_t i = start + 2; i < text.size() && HexDigit(text[i]) >= 0; ++i) {
        value = value * 16 + HexDigit(text[i]);
    }
    return value;
}

std::optional<platform::HostHandle> WindowsHandle(double value) {
    if (value == 0 || value < -kTwoTo31 || value >= kTwoTo32) return std::nullopt;
    if (value >= kTwoTo31) value -= kTwoTo32;
    return static_cast<platform::HostHandle>(value);
}

std::optional<platform::HostHandle> X11Window(double value) {
    if (value < 1 || value >= kTwoTo32) return std::nullopt;
    return static_cast<platform::HostHandle>(value);
}

}  // namespace

std::optional<platform::HostHandle> PreviewHandle(std::wstring_view argument_text,
                                                  platform::HostHandleForm form) {
    const std::wstring_view text = PreviewHandleText(argument_text);
    if (form == platform::HostHandleForm::kX11) {
        if (const std::optional<double> hex = HexValue(text)) return X11Window(*hex);
        return X11Window(std::nearbyint(runtime::Val(text)));
    }
    return WindowsHandle(std::nearbyint(runtime::Val(text)));
}

}  // namespace glimra
