#pragma once
// The fuzz input as UTF-16 code units, as Windows hands the program its command line and
// texts (two bytes each, low byte first), and a check that aborts with a report, so that
// libFuzzer saves the input.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace glimra::fuzz {

inline std::wstring Utf16Units(const std::uint8_t* data, std::size_t size) {
    std::wstring units;
    for (std::size_t i = 0; i + 1 < size; i += 2)
        units.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
    return units;
}

}  // namespace glimra::fuzz

#define FUZZ_CHECK(condition) \
    ((condition) ? (void)0 : (std::fprintf(stderr, "check failed: %s\n", #condition), std::abort()))
