#pragma once
// The input as UTF-16 code units, two bytes each, low byte first, as Windows hands the program
// its texts; a failed check aborts, so that libFuzzer keeps the input.
#include <cstdio>
#include <cstdlib>
#include <string>
// clang-format off
inline std::wstring Utf16Units(const std::uint8_t* data, std::size_t size) {
    std::wstring units;
    for (std::size_t i = 0; i + 1 < size; i += 2) units.push_back(static_cast<wchar_t>(data[i] | data[i + 1] << 8));
    return units;
}
#define FUZZ_CHECK(c) ((c) ? (void)0 : (std::fprintf(stderr, "check failed: %s\n", #c), std::abort()))
// clang-format on
