// Val against an independent reading with strtod (in the "C" locale a fuzzer runs in), and
// the conversions and NumberText on what it reads.
#include <cmath>
#include <string>

#include "fuzz_support.h"
#include "platform/runtime/numbers.h"
#include "platform/runtime/runtime_error.h"

namespace glimra {
namespace {

double ReferenceVal(const std::wstring& text) {
    std::size_t i = text.find_first_not_of(L" \t\r\n");
    std::string number;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) number += char(text[i++]);
    bool period = false;
    for (;
         i < text.size() && ((text[i] >= L'0' && text[i] <= L'9') || (text[i] == L'.' && !period));
         ++i) {
        period = period || text[i] == L'.';
        number += char(text[i]);
    }
    return number.find_first_of("0123456789") == std::string::npos
               ? 0
               : std::strtod(number.c_str(), nullptr);
}

// Overflow exactly when the nearest integer, ties to even, lies outside the type.
template <typename Convert>
void CheckConversion(double value, double min, double max, Convert convert) {
    const bool overflows = std::isnan(value) || value >= max + 0.5 || value < min - 0.5;
    try {
        const double result = convert(value);
        FUZZ_CHECK(!overflows && std::fabs(result - value) <= 0.5);
        if (std::fabs(result - value) == 0.5) FUZZ_CHECK(std::fmod(result, 2) == 0);
    } catch (const RuntimeError& error) {
        FUZZ_CHECK(error.number == kErrOverflow && overflows);
    }
}

}  // namespace
}  // namespace glimra

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace glimra;
    const std::wstring text = fuzz::Utf16Units(data, size);
    const double value = Val(text);
    FUZZ_CHECK(value == ReferenceVal(text));
    CheckConversion(value, -32768.0, 32767.0, CInt);
    CheckConversion(value, -2147483648.0, 2147483647.0, CLng);
    if (!std::isfinite(value)) return 0;
    // Fifteen significant digits survive a double: the text reads back to the same text.
    const std::wstring written = NumberText(value);
    FUZZ_CHECK(!written.empty() && written[0] != L' ' && written.find(L',') == std::wstring::npos);
    if (written.find(L'E') == std::wstring::npos) {
        FUZZ_CHECK(NumberText(Val(written)) == written);
        FUZZ_CHECK(std::fabs(Val(written) - value) <= std::fabs(value) * 1e-14);
    }
    return 0;
}
