#include "runtime/random.h"

#include <chrono>

namespace glimra::runtime {

namespace {

// SplitMix64's step; the count of reseeds enters with another odd constant, so that the
// seeds of successive reseeds are not one step of the sequence apart.
constexpr std::uint64_t kGamma = 0x9E3779B97F4A7C15u;
constexpr std::uint64_t kReseedStride = 0xD1B54A32D192ED03u;

std::uint64_t Mix(std::uint64_t z) {
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
}

}  // namespace

std::uint64_t SteadyNanoseconds() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(now).count());
}

void ClockRandom::Randomize() {
    ++reseeds_;
    state_ = clock_() + reseeds_ * kReseedStride;
}

// The top 24 bits fill a float's mantissa exactly, so every value is below 1.
float ClockRandom::Next() {
    state_ += kGamma;
    return static_cast<float>(Mix(state_) >> 40) * (1.0f / 16777216.0f);
}

}  // namespace glimra::runtime
