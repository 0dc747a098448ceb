// Val against an independent reading with strtod, and the round trips through NumberText,
// CInt and CLng.
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_support.h"
#include "platform/runtime/numbers.h"
#include "platform/runtime/runtime_error.h"

namespace glimra {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// The same grammar, read by the C library in the "C" locale that a fuzzer process runs in.
double ReferenceVal(const std::wstring& text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    std::string number;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-'))
        number += static_cast<char>(text[i++]);
    bool digits = false;
    bool period = false;
    for (; i < text.size(); ++i) {
        if (IsDigit(text[i])) {
            digits = true;
        } else if (text[i] == L'.' && !period) {
            period = true;
        } else {
            break;
        }
        number += static_cast<char>(text[i]);
    }
    if (!digits) return 0;
    return std::strtod(number.c_str(), nullptr);
}

// The conversions raise the overflow error exactly when the nearest integer, ties to even,
// lies outside the type: at or beyond max + 0.5 (which rounds up to an odd max + 1), or
// below min - 0.5 (min - 0.5 itself rounds to the even min).
template <typename Int, typename Convert>
void CheckConversion(double value, double min, double max, Convert convert) {
    const bool overflows = std::isnan(value) || value >= max + 0.5 || value < min - 0.5;
    try {
        const Int result = convert(value);
        FUZZ_CHECK(!overflows);
        FUZZ_CHECK(std::fabs(static_cast<double>(result) - value) <= 0.5);
        if (std::fabs(static_cast<double>(result) - value) == 0.5) FUZZ_CHECK(result % 2 == 0);
    } catch (const RuntimeError& error) {
        FUZZ_CHECK(error.number == kErrOverflow);
        FUZZ_CHECK(overflows);
    }
}

void CheckText(double value) {
    const std::wstring text = NumberText(value);
    FUZZ_CHECK(!text.empty());
    FUZZ_CHECK(text[0] != L' ');
    FUZZ_CHECK(text.find(L',') == std::wstring::npos);
    if (text.find(L'E') != std::wstring::npos) return;  // Val reads no exponent
    // Fifteen significant digits survive a double, so the text reads back to a number
    // that writes the same text.
    const double back = Val(text);
    FUZZ_CHECK(NumberText(back) == text);
    FUZZ_CHECK(std::fabs(back - value) <= std::fabs(value) * 1e-14);
}

}  // namespace
}  // namespace glimra

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace glimra;
    const std::wstring text = fuzz::Utf16Units(data, size);
    const double value = Val(text);
    FUZZ_CHECK(!std::isnan(value));
    FUZZ_CHECK(value == ReferenceVal(text));
    FUZZ_CHECK(Val(L" \t" + text) == value);  // leading blanks are skipped
    FUZZ_CHECK(Val(text + L"x") == value);    // nothing continues a number with "x"
    CheckConversion<std::int16_t>(value, -32768.0, 32767.0, CInt);
    CheckConversion<std::int32_t>(value, -2147483648.0, 2147483647.0, CLng);
    if (std::isfinite(value)) CheckText(value);
    return 0;
}
