// Val against an independent reading with strtod (in the "C" locale a fuzzer runs in), and the
// conversions of what it reads; the seeds run first. A failed check aborts; libFuzzer keeps it.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwctype>
#include <string>

#include "runtime/numbers.h"
#include "runtime/runtime_error.h"

using namespace glimra::runtime;

void Check(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "check failed: %s\n", what);
    std::abort();
}

// Overflow exactly when the nearest integer, ties to even, lies outside the type.
void CheckConversion(double value, double min, double max, auto convert) {
    const bool overflows = std::isnan(value) || value >= max + 0.5 || value < min - 0.5;
    try {
        const double result = convert(value);
        const double off = std::fabs(result - value);
        Check(!overflows, "a value outside the type converts");
        Check(off < 0.5 || (off == 0.5 && std::fmod(result, 2) == 0), "nearest, ties to even");
    } catch (const RuntimeError& error) {
        Check(error.number == kErrOverflow && overflows, "the overflow error only outside");
    }
}

// The sign and the digits with at most one period that lead the text after its blanks.
std::string LeadingNumber(const std::wstring& text) {
    std::size_t at = text.find_first_not_of(L" \t\r\n");
    std::string number;
    if (at < text.size() && (text[at] == L'+' || text[at] == L'-')) number += char(text[at++]);
    bool period = false;
    for (; at < text.size(); ++at) {
        const bool first_period = text[at] == L'.' && !period;
        if (!std::iswdigit(text[at]) && !first_period) break;
        period = period || first_period;
        number += char(text[at]);
    }
    return number;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // UTF-16 code units, low byte first, as Windows hands the program its texts.
    std::wstring text;
    for (std::size_t low = 0; low + 1 < size; low += 2) {
        text.push_back(static_cast<wchar_t>(data[low] | data[low + 1] << 8));
    }
    const std::string number = LeadingNumber(text);
    const bool digits = number.find_first_of("0123456789") != std::string::npos;
    const double value = Val(text);
    Check(value == (digits ? std::strtod(number.c_str(), nullptr) : 0), "Val reads as strtod");
    CheckConversion(value, -32768.0, 32767.0, CInt);
    CheckConversion(value, -2147483648.0, 2147483647.0, CLng);
    return 0;
}
