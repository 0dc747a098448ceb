#pragma once
// The picture itself: one dot of random colour per tick, and a clear after pointlimit
// dots. Pure drawing logic over a surface; the saver window supplies the real one.
#include <cstdint>

#include "runtime/random.h"
#include "platform/surface.h"

namespace glimra {

class PointPainter {
  public:
    void createpoint(std::int16_t pointlimit, Surface& surface, runtime::RandomSource& random);
    std::int16_t number() const { return number_; }

  private:
    std::int16_t number_ = 0;  // points painted since the last clear
};

// A colour component from a draw in [0, 1): r x 255, to the nearest integer, ties to even.
int ColourComponent(float draw);

}  // namespace glimra
