// Val against an independent reading with strtod (in the "C" locale a fuzzer runs in), and the
// conversions of what it reads; the seeds run first. A failed check aborts; libFuzzer keeps it.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

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
std::string LeadingNumber(std::wstring_view text) {
    text.remove_prefix(std::min(text.find_first_not_of(L" \t\r\n"), text.size()));
    const std::size_t sign = !text.empty() && (text[0] == L'+' || text[0] == L'-') ? 1 : 0;
    std::size_t end = text.find_first_not_of(L"0123456789", sign);
    const bool period = end < text.size() && text[end] == L'.';
    end = text.find_first_not_of(L"0123456789", end + (period ? 1 : 0));
    return std::string(text.begin(), text.begin() + std::min(end, text.size()));
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // UTF-16 code units, low byte first, as Windows hands the program its texts.
    std::wstring text;
    for (std::size_t low = 0; low + 1 < size; low += 2) {
        text.push_back(static_cast<wchar_t>(data[low] | data[low + 1] << 8));
    }
    // strtod reads a sign or a period without digits as 0, as Val does.
    const double value = Val(text);
    Check(value == std::strtod(LeadingNumber(text).c_str(), nullptr), "Val reads as strtod");
    CheckConversion(value, -32768.0, 32767.0, CInt);
    CheckConversion(value, -2147483648.0, 2147483647.0, CLng);
    return 0;
}
