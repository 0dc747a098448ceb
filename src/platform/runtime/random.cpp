#include "platform/runtime/random.h"

#include <chrono>

namespace glimra {

// The steady clock counts in nanoseconds on both targets. The reseed counter is mixed in
// so that two reseeds within one clock step still differ.
void ClockRandom::Randomize() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    const auto ticks = static_cast<std::uint64_t>(now);
    ++reseeds_;
    std::seed_seq seed{static_cast<std::uint32_t>(ticks), static_cast<std::uint32_t>(ticks >> 32),
                       static_cast<std::uint32_t>(reseeds_)};
    engine_.seed(seed);
}

// 24 random bits fill a float's mantissa exactly, so every value is below 1.
float ClockRandom::Next() { return static_cast<float>(engine_() >> 8) * (1.0f / 16777216.0f); }

}  // namespace glimra
