#include "platform/runtime/random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <set>
#include <vector>

#include "saver/painter.h"

namespace glimra {
namespace {

// The painter reseeds before every point and then takes five draws, so the tests use the
// generator the same way: what matters is the first five values after a reseed from a
// clock that has barely moved.
constexpr int kDrawsPerPoint = 5;

TEST(ClockRandom, DrawsLieInZeroToOne) {
    ClockRandom random;
    float low = 1;
    float high = 0;
    for (int point = 0; point < 20000; ++point) {
        random.Randomize();
        for (int i = 0; i < kDrawsPerPoint; ++i) {
            const float draw = random.Next();
            ASSERT_GE(draw, 0.0f);
            ASSERT_LT(draw, 1.0f);
            low = std::min(low, draw);
            high = std::max(high, draw);
        }
    }
    EXPECT_LT(low, 0.001f);
    EXPECT_GT(high, 0.999f);
}

// The clock stands still between these reseeds, as a coarse clock does between two
// ticks: only the count of reseeds can tell them apart.
std::uint64_t StoppedClock() { return 1234567890; }

TEST(ClockRandom, ReseedsWithinOneClockStepGiveDifferentSequences) {
    ClockRandom random(StoppedClock);
    std::set<std::array<float, kDrawsPerPoint>> seen;
    for (int point = 0; point < 2000; ++point) {
        random.Randomize();
        std::array<float, kDrawsPerPoint> draws{};
        for (float& draw : draws) draw = random.Next();
        EXPECT_TRUE(seen.insert(draws).second) << "reseed " << point << " repeated a sequence";
    }
}

// The clock alone decides the draws: the same seeds give the same picture, another time
// another one.
TEST(ClockRandom, TheClockDecidesTheDraws) {
    auto draws = [](ClockRandom::Clock clock) {
        ClockRandom random(clock);
        random.Randomize();
        std::array<float, kDrawsPerPoint> out{};
        for (float& draw : out) draw = random.Next();
        return out;
    };
    EXPECT_EQ(draws(StoppedClock), draws(StoppedClock));
    EXPECT_NE(draws(StoppedClock), draws([] { return std::uint64_t{1234567891}; }));
}

// Pearson's statistic of observed counts against expected ones.
double ChiSquare(const std::vector<double>& observed, const std::vector<double>& expected) {
    double sum = 0;
    for (std::size_t i = 0; i < observed.size(); ++i) {
        const double d = observed[i] - expected[i];
        sum += d * d / expected[i];
    }
    return sum;
}

// The bounds are the chi-square quantiles that a uniform generator exceeds with
// probability 1e-10: 162.5 for 63 degrees of freedom, 425.9 for 255.
constexpr double kBound63 = 162.5;
constexpr double kBound255 = 425.9;
constexpr int kPoints = 64000;

TEST(ClockRandom, EachOfTheFiveDrawsAfterAReseedIsUniform) {
    constexpr int kBins = 64;
    std::vector<std::vector<double>> counts(kDrawsPerPoint, std::vector<double>(kBins, 0));
    ClockRandom random;
    for (int point = 0; point < kPoints; ++point) {
        random.Randomize();
        for (auto& position : counts) position[static_cast<int>(random.Next() * kBins)] += 1;
    }
    const std::vector<double> expected(kBins, static_cast<double>(kPoints) / kBins);
    for (int i = 0; i < kDrawsPerPoint; ++i) {
        EXPECT_LT(ChiSquare(counts[i], expected), kBound63) << "draw " << i + 1;
    }
}

// A component is the draw times 255 rounded, so 0 and 255 each take half a step of the
// draws and occur about half as often as any other value.
TEST(ClockRandom, ColourComponentsAreUniformWithHalfWeightEnds) {
    std::vector<double> counts(256, 0);
    ClockRandom random;
    for (int point = 0; point < kPoints; ++point) {
        random.Randomize();
        random.Next();
        random.Next();
        for (int i = 0; i < 3; ++i) counts[ColourComponent(random.Next())] += 1;
    }
    const double step = 3.0 * kPoints / 255;
    std::vector<double> expected(256, step);
    expected[0] = expected[255] = step / 2;
    EXPECT_LT(ChiSquare(counts, expected), kBound255);
}

}  // namespace
}  // namespace glimra
