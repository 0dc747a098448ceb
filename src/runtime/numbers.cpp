#include "runtime/numbers.h"

#include <array>
#include <charconv>
#include <clocale>
#include <cstdio>
#include <cmath>
#include <limits>
#include <system_error>

#include "runtime/runtime_error.h"

namespace glimra::runtime {

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Copies the number's characters into ASCII, so that from_chars (which ignores the
// locale) can read them. Leading zeros are dropped so that a long run of them cannot
// make the copy large; the digits themselves are kept whole, as they decide the value.
std::string NumberSpan(std::wstring_view text, bool& negative) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
        negative = text[i] == L'-';
        ++i;
    }
    std::string digits;
    bool period = false;
    for (; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (IsDigit(c)) {
            if (c == L'0' && digits.empty()) continue;
            digits.push_back(static_cast<char>(c));
        } else if (c == L'.' && !period) {
            period = true;
            if (digits.empty()) digits.push_back('0');
            digits.push_back('.');
        } else {
            break;
        }
    }
    return digits;
}

}  // namespace

double Val(std::wstring_view text) {
    bool negative = false;
    const std::string digits = NumberSpan(text, negative);
    if (digits.empty() || digits == "0.") return negative ? -0.0 : 0.0;
    double value = 0.0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value,
                                              std::chars_format::fixed);
    (void)end;
    if (error == std::errc::result_out_of_range) {
        // Only too large is possible: the digits are not a fraction smaller than a double's
        // smallest step unless they start with "0.", and those underflow to 0.
        value = digits.starts_with("0.") ? 0.0 : std::numeric_limits<double>::infinity();
    }
    return negative ? -value : value;
}

namespace {

template <typename Int>
Int NearestInteger(double value) {
    const double rounded = std::nearbyint(value);  // the default mode rounds ties to even
    if (!(rounded >= static_cast<double>(std::numeric_limits<Int>::min()) &&
          rounded <= static_cast<double>(std::numeric_limits<Int>::max()))) {
        Raise(kErrOverflow);
    }
    return static_cast<Int>(rounded);
}

}  // namespace

std::int16_t CInt(double value) { return NearestInteger<std::int16_t>(value); }

std::wstring NumberText(double value) {
    if (value == 0.0) return L"0";  // also for -0
    // Written the same by every C runtime, rather than "1.#INF" by some.
    if (std::isinf(value)) return value > 0 ? L"INF" : L"-INF";
    if (std::isnan(value)) return L"NAN";
    // printf's %G is the general form with 15 significant digits. Its decimal separator
    // follows the C locale, so it is put back to "."; %G groups no digits. Exponents lose
    // their leading zeros, so that every C runtime writes "1E+15".
    std::array<char, 64> buffer{};
    std::snprintf(buffer.data(), buffer.size(), "%.15G", value);
    std::string text(buffer.data());
    const std::string_view separator = std::localeconv()->decimal_point;
    if (const std::size_t at = text.find(separator);
        !separator.empty() && at != std::string::npos) {
        text.replace(at, separator.size(), ".");
    }
    if (const std::size_t e = text.find('E'); e != std::string::npos && e + 2 < text.size()) {
        const std::size_t digits = e + 2;  // past the exponent's sign
        const std::size_t first = text.find_first_not_of('0', digits);
        text.erase(digits, (first == std::string::npos ? text.size() - 1 : first) - digits);
    }
    return std::wstring(text.begin(), text.end());  // ASCII only by now
}

}  // namespace glimra::runtime
