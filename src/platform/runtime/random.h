#pragma once
// The runtime's random numbers: Randomize reseeds from the clock, Next gives a uniform
// single-precision value in [0, 1). An interface, so that tests can script the draws.
#include <cstdint>
#include <random>

namespace glimra {

class RandomSource {
  public:
    virtual ~RandomSource() = default;
    virtual void Randomize() = 0;
    virtual float Next() = 0;
};

class ClockRandom final : public RandomSource {
  public:
    void Randomize() override;
    float Next() override;

  private:
    std::mt19937 engine_;
    std::uint64_t reseeds_ = 0;
};

}  // namespace glimra
