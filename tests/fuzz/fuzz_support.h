#pragma once
// What the fuzz targets share: the input as UTF-16 code units, the way Windows hands the
// program its command line and its texts, and a check that stops the run with a report.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace glimra::fuzz {

// Two bytes, low byte first, make one code unit; an odd last byte is dropped.
inline std::wstring Utf16Units(const std::uint8_t* data, std::size_t size) {
    std::wstring units;
    units.reserve(size / 2);
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        units.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
    }
    return units;
}

// libFuzzer saves the input that made the process abort.
inline void Check(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "check failed: %s\n", what);
    std::abort();
}

}  // namespace glimra::fuzz

#define FUZZ_CHECK(condition) ::glimra::fuzz::Check((condition), #condition)
