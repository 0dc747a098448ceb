#pragma once
// The input as UTF-16 code units, two bytes each, low byte first, as Windows hands the program
// its texts; a failed check aborts, so that libFuzzer keeps the input.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

inline std::wstring Utf16Units(const std::uint8_t* data, std::size_t size) {
    std::wstring units;
    for (std::size_t low = 0; low + 1 < size; low += 2) {
        units.push_back(static_cast<wchar_t>(data[low] | data[low + 1] << 8));
    }
    return units;
}

inline void Check(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "check failed: %s\n", what);
    std::abort();
}
