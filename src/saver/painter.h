#pragma once
// The picture itself: one dot of random colour per tick, and a clear after pointlimit
// dots. Pure drawing logic over a surface; the saver window supplies the real one.
#include <cstdint>

#include "platform/runtime/random.h"

namespace glimra {

// A drawing surface in twips, origin at the top-left corner.
class Surface {
  public:
    virtual ~Surface() = default;
    virtual float Width() const = 0;   // outer width, read afresh at every call
    virtual float Height() const = 0;  // outer height
    virtual void Cls() = 0;            // fill with the background colour
    virtual void PSet(float x, float y, std::uint32_t colour) = 0;
};

inline constexpr std::uint32_t RGB24(int red, int green, int blue) {
    return static_cast<std::uint32_t>(red + 256 * green + 65536 * blue);
}

class PointPainter {
  public:
    void createpoint(std::int16_t pointlimit, Surface& surface, RandomSource& random);
    std::int16_t number() const { return number_; }

  private:
    std::int16_t number_ = 0;  // points painted since the last clear
};

// A colour component from a draw in [0, 1): r x 255, to the nearest integer, ties to even.
int ColourComponent(float draw);

// The pixels a round dot covers: a square of `width` pixels centred on the point, so that
// an even width leans one pixel up and to the left. Right and bottom are exclusive.
struct PixelBox {
    int left, top, right, bottom;
};
PixelBox DotBox(int x, int y, int width);

}  // namespace glimra
