// Val against an independent reading with strtod (in the "C" locale a fuzzer runs in), and the
// conversions and NumberText of what it reads.
// clang-format off
#include <cmath>
#include <cwctype>

#include "fuzz_support.h"
#include "runtime/numbers.h"
#include "runtime/runtime_error.h"

using namespace glimra;
using namespace glimra::runtime;

// Overflow exactly when the nearest integer, ties to even, lies outside the type.
void CheckConversion(double value, double min, double max, auto convert) {
    const bool overflows = std::isnan(value) || value >= max + 0.5 || value < min - 0.5;
    try {
        const double result = convert(value), off = std::fabs(result - value);
        FUZZ_CHECK(!overflows && off <= 0.5 && (off < 0.5 || std::fmod(result, 2) == 0));
    } catch (const RuntimeError& error) { FUZZ_CHECK(error.number == kErrOverflow && overflows); }
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring text = Utf16Units(data, size);
    std::size_t i = text.find_first_not_of(L" \t\r\n"), period = 0;
    std::string number = i < text.size() && (text[i] == L'+' || text[i] == L'-') ? std::string(1, char(text[i++])) : "";
    for (; i < text.size() && (std::iswdigit(text[i]) || (text[i] == L'.' && !period++)); ++i) number += char(text[i]);
    const double value = Val(text);
    FUZZ_CHECK(value == (number.find_first_of("0123456789") == std::string::npos ? 0 : std::strtod(number.c_str(), nullptr)));
    CheckConversion(value, -32768.0, 32767.0, CInt);
    CheckConversion(value, -2147483648.0, 2147483647.0, CLng);
    // Fifteen significant digits survive a double: the text reads back to the same text.
    const std::wstring written = std::isfinite(value) ? NumberText(value) : L"E";
    FUZZ_CHECK(!written.empty() && written[0] != L' ' && written.find(L',') == std::wstring::npos);
    FUZZ_CHECK(written.find(L'E') != std::wstring::npos || NumberText(Val(written)) == written);
    return 0;
}
// clang-format on
