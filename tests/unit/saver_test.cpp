// The saver's rules: createpoint over a recording surface with scripted draws, the dot's
// pixels, the clock's random numbers, and the mouse-move rule.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "platform/runtime/random.h"
#include "saver/mouse_rule.h"
#include "saver/painter.h"

namespace glimra {
namespace {

// clang-format off
// Journal letters: C Cls, P PSet, R Randomize, N Next.
struct Recorder final : Surface, RandomSource {
    float width = 15360, height = 11520, x = -1, y = -1;
    std::uint32_t colour = 0;
    std::vector<float> draws{0.5f};
    std::size_t next = 0;
    std::string journal;
    PointPainter painter;
    float Width() const override { return width; }
    float Height() const override { return height; }
    void Cls() override { journal += 'C'; }
    void PSet(float px, float py, std::uint32_t c) override { journal += 'P', x = px, y = py, colour = c; }
    void Randomize() override { journal += 'R'; }
    float Next() override { return journal += 'N', draws[next++ % draws.size()]; }
    std::string Paint(int limit) {
        next = 0, journal.clear();
        painter.createpoint(static_cast<std::int16_t>(limit), *this, *this);
        return journal + std::to_string(painter.number());
    }
};

TEST(Createpoint, ClearsOnTheTickAfterThePointLimitReadAtEveryCall) {
    Recorder r;
    for (int tick = 1; tick <= 21; ++tick) {
        const int n = (tick - 1) % 10 + 1;
        EXPECT_EQ(r.Paint(10), (n == 1 && tick > 1 ? "CRNNNNNP" : "RNNNNNP") + std::to_string(n)) << tick;
    }
    EXPECT_EQ(r.Paint(20), "RNNNNNP2");  // a higher limit lets the cycle go on
    EXPECT_EQ(r.Paint(2), "CRNNNNNP1");
}

// Draws x, y, red, green, blue on a surface that may change its size between two points.
// x and y are the floors, the components the nearest integers (ties to even), of exact
// products: the 5th row's draws give 16.99999988 and 129.4999998, which float products
// would round to 17 and 129.5.
TEST(Createpoint, PlacesAndColoursEachPointFromItsFiveDraws) {
    const float last = std::nextafter(1.0f, 0.0f), a = 0x1.222222p-10f, b = 0x1.040404p-1f;
    const struct { float width, height; std::vector<float> draws; float x, y; std::uint32_t colour; } rows[] = {
        {1000, 800, {0.25f, 0.75f, 0.0f, 0.5f, last}, 250, 600, 0xFF8000},
        {1, 1, {last, last, last, 0.25f, 0.75f}, 0, 0, 0xBF40FF}, {15360, 11520, {0, 0, 0, 0, 0}, 0, 0, 0},
        {15360, 11520, {last, last, 0, 0, 0}, 15359, 11519, 0}, {15360, 11520, {a, a, b, 0, 0}, 16, 12, 129},
        {2280, 1680, {last, last, 0}, 2279, 1679, 0xFFFF00}, {14407.5f, 8107.5f, {last, last, 0}, 14407, 8107, 0xFFFF00},
        {16777215, 16777215, {last, last, 0}, 16777214, 16777214, 0xFFFF00}};
    Recorder r;
    for (const auto& row : rows) {
        r.width = row.width, r.height = row.height, r.draws = row.draws;
        r.Paint(30);
        EXPECT_EQ(std::vector({r.x, r.y, float(r.colour)}), std::vector({row.x, row.y, float(row.colour)}));
    }
}

// A dot of width w covers w pixels around its point, an even one leaning up and left.
TEST(Createpoint, DotsCoverTheirWidth) {
    const int rows[][4] = {{100, 1, 100, 101}, {100, 2, 99, 101}, {100, 3, 99, 102}, {100, 4, 98, 102},
                           {100, 13, 94, 107}, {0, 12, -6, 6}};
    for (const auto& [x, width, left, right] : rows) {
        const PixelBox box = DotBox(x, x + 7, width);
        EXPECT_EQ(std::vector({box.left, box.top, box.right, box.bottom}), std::vector({left, left + 7, right, right + 7}));
    }
}

// Five draws after each reseed, as the painter takes them: in [0, 1), reaching both ends,
// each uniform (chi-square over 64 bins below its 1e-10 quantile); the clock decides them.
TEST(ClockRandom, EachDrawAfterAReseedIsUniformAndTheClockDecides) {
    std::vector<std::vector<double>> bins(5, std::vector<double>(64, 0));
    ClockRandom random;
    float low = 1, high = 0;
    for (int point = 0; point < 64000; ++point) {
        random.Randomize();
        for (auto& position : bins) {
            const float draw = random.Next();
            ASSERT_TRUE(draw >= 0 && draw < 1) << draw;
            low = std::min(low, draw), high = std::max(high, draw), position[static_cast<int>(draw * 64)] += 1;
        }
    }
    EXPECT_TRUE(low < 0.001f && high > 0.999f) << low << " " << high;
    for (const auto& position : bins) {
        double chi = 0;
        for (const double seen : position) chi += (seen - 1000) * (seen - 1000) / 1000;
        EXPECT_LT(chi, 162.5);
    }
    auto first = [](ClockRandom::Clock clock) {
        ClockRandom seeded(clock);
        seeded.Randomize();
        return std::vector{seeded.Next(), seeded.Next()};
    };
    const auto one = [] { return std::uint64_t{1234567890}; };
    EXPECT_EQ(first(one), first(one));
    EXPECT_NE(first(one), first([] { return std::uint64_t{1234567891}; }));
}

// Moves as x, y and 1 when the saver closes; the last row runs in the preview, where
// nothing closes and nothing is recorded.
TEST(MouseMoveRule, ClosesOnARealMovementAfterTheFirst) {
    const float right_of_100 = std::nextafter(100.0f, 200.0f);
    const std::vector<std::vector<float>> rows[] = {
        {{100, 100, 0}, {100, 100, 0}, {101, 100, 1}}, {{100, 100, 0}, {100, 99, 1}},
        {{100, 100, 0}, {right_of_100, 100, 1}}, {{100, 100, 0}, {0, 100, 1}},
        {{0, 50, 0}, {200, 200, 0}, {200, 200, 0}, {300, 300, 1}}, {{50, 0, 0}, {70, 70, 0}, {80, 80, 1}},
        {{0, 10, 0}, {0, 20, 0}, {5, 30, 0}, {6, 30, 1}}, {{10, 0, 0}, {20, 0, 0}, {20, 5, 0}},
        {{100, 100, 0}, {200, 200, 0}, {0, 0, 0}, {300, 7, 0}}};
    for (const auto& moves : rows) {
        const bool preview = &moves == &rows[std::size(rows) - 1];
        MouseMoveRule rule;
        for (const auto& move : moves) {
            const float x = move[0], y = move[1];
            EXPECT_EQ(rule.Move(preview, x, y), move[2] != 0) << x << ", " << y;
            EXPECT_EQ(std::vector({rule.lastx(), rule.lasty()}), preview ? std::vector({0.0f, 0.0f}) : std::vector({x, y}));
        }
    }
}
// clang-format on

}  // namespace
}  // namespace glimra
