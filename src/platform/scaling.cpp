#include "platform/scaling.h"

#include <cmath>
#include <cstdint>

namespace glimra::platform {

namespace {

// n * dpi / d, the nearest integer, halves away from zero.
int Scale(int n, int dpi, int d) {
    const std::int64_t product = static_cast<std::int64_t>(n) * dpi;
    const std::int64_t half = d / 2;
    return static_cast<int>(product >= 0 ? (product + half) / d : -((-product + half) / d));
}

}  // namespace

int TwipsToPixels(int twips, int dpi) { return Scale(twips, dpi, 1440); }

float TwipsPerPixel(int dpi) { return 1440.0f / static_cast<float>(dpi); }

int TwipsToPixelFloor(float twips, float twips_per_pixel) {
    return static_cast<int>(std::floor(twips / twips_per_pixel));
}

int ScaledPixels(int pixels, int dpi) {
    const int scaled = Scale(pixels, dpi, kDesignDpi);
    return pixels > 0 && scaled < 1 ? 1 : scaled;
}

int WholeZoom(int from, int to) {
    if (from <= 0 || to <= from) return 1;
    return (to + from - 1) / from;
}

}  // namespace glimra::platform
