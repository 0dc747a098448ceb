// Val against an independent reading with strtod, in the "C" locale a fuzzer runs in; the
// seeds run first. A failed check aborts; libFuzzer keeps the input.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "runtime/numbers.h"

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
    const std::string number = LeadingNumber(text);
    const double value = glimra::runtime::Val(text);
    const double expected = std::strtod(number.c_str(), nullptr);
    if (value != expected) {
        std::fprintf(stderr, "Val gives %.17g, strtod %.17g for \"%s\"\n", value, expected,
                     number.c_str());
        std::abort();
    }
    return 0;
}
