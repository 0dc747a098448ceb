#include "saver/painter.h"

#include <cmath>

namespace glimra {

int ColourComponent(float draw) {
    return static_cast<int>(std::nearbyint(static_cast<double>(draw) * 255.0));
}

// x and y are floored from double products, which are exact for a float draw and a size
// in whole twips; a draw below 1 keeps them below the size.
void PointPainter::createpoint(std::int16_t pointlimit, Surface& surface,
                               runtime::RandomSource& random) {
    if (number_ >= pointlimit) {
        surface.Cls();
        number_ = 0;
    }
    random.Randomize();
    const auto x =
        static_cast<std::int32_t>(std::floor(static_cast<double>(random.Next()) * surface.Width()));
    const auto y = static_cast<std::int32_t>(
        std::floor(static_cast<double>(random.Next()) * surface.Height()));
    const int red = ColourComponent(random.Next());
    const int green = ColourComponent(random.Next());
    const int blue = ColourComponent(random.Next());
    surface.PSet(static_cast<float>(x), static_cast<float>(y), RGB24(red, green, blue));
    ++number_;
}

}  // namespace glimra
