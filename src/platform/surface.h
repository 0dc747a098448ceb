#pragma once
// A drawing surface in twips, origin at the top-left corner: what the painter draws on.
// The saver window supplies the real one; tests supply recording ones.
#include <cstdint>

namespace glimra {

class Surface {
  public:
    virtual ~Surface() = default;
    virtual float Width() const = 0;   // outer width, read afresh at every call
    virtual float Height() const = 0;  // outer height
    virtual void Cls() = 0;            // fill with the background colour
    // A round dot of the pen's width centred on the point, clipped at the edges.
    virtual void PSet(float x, float y, std::uint32_t colour) = 0;
};

// Red + 256 x green + 65536 x blue.
inline constexpr std::uint32_t RGB24(int red, int green, int blue) {
    return static_cast<std::uint32_t>(red + 256 * green + 65536 * blue);
}

// The pixels a round dot covers: a square of `width` pixels centred on the point, so that
// an even width leans one pixel up and to the left. Right and bottom are exclusive.
struct PixelBox {
    int left, top, right, bottom;
};
inline constexpr PixelBox DotBox(int x, int y, int width) {
    if (width < 1) width = 1;
    const int left = x - width / 2;
    const int top = y - width / 2;
    return {left, top, left + width, top + width};
}

}  // namespace glimra
