#pragma once
// The runtime's random numbers: Randomize reseeds from the clock, Next gives a uniform
// single-precision value in [0, 1). An interface, so that tests can script the draws.
#include <cstdint>

namespace glimra::runtime {

class RandomSource {
  public:
    virtual ~RandomSource() = default;
    virtual void Randomize() = 0;
    virtual float Next() = 0;
};

// The steady clock in nanoseconds.
std::uint64_t SteadyNanoseconds();

// SplitMix64, reseeded from a clock in nanoseconds and a count of reseeds, so that two
// reseeds never get the same seed, not even within one step of a coarse clock. A reseed
// costs a clock read; the painter reseeds before every point.
class ClockRandom final : public RandomSource {
  public:
    using Clock = std::uint64_t (*)();
    explicit ClockRandom(Clock clock = SteadyNanoseconds) : clock_(clock) {}
    void Randomize() override;
    float Next() override;

  private:
    Clock clock_;
    std::uint64_t state_ = 0;
    std::uint64_t reseeds_ = 0;
};

}  // namespace glimra::runtime
