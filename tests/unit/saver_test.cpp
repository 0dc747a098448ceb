// The saver's rules: createpoint over a recording surface and scripted draws, the colour
// and the dot's pixels, the clock's random numbers, and the mouse-move rule.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "platform/runtime/random.h"
#include "saver/mouse_rule.h"
#include "saver/painter.h"

namespace glimra {
namespace {

const float kLast = std::nextafter(1.0f, 0.0f);  // the largest draw

// Journal letters: C Cls, P PSet, R Randomize, N Next.
struct Recorder final : Surface, RandomSource {
    float width = 15360, height = 11520, x = -1, y = -1;
    std::uint32_t colour = 0;
    std::vector<float> draws;
    std::size_t next = 0;
    std::string journal;
    PointPainter painter;
    float Width() const override { return width; }
    float Height() const override { return height; }
    void Cls() override { journal += 'C'; }
    void PSet(float px, float py, std::uint32_t c) override {
        journal += 'P', x = px, y = py, colour = c;
    }
    void Randomize() override { journal += 'R'; }
    float Next() override { return journal += 'N', draws[next++ % draws.size()]; }
    void Paint(int limit, std::vector<float> script) {
        draws = std::move(script), next = 0, journal.clear();
        painter.createpoint(static_cast<std::int16_t>(limit), *this, *this);
    }
};

TEST(Createpoint, ClearsOnTheTickAfterThePointLimitReadAtEveryCall) {
    Recorder r;
    for (int tick = 1; tick <= 21; ++tick) {
        r.Paint(10, {0.5f});
        EXPECT_EQ(r.journal, tick == 11 || tick == 21 ? "CRNNNNNP" : "RNNNNNP") << tick;
        EXPECT_EQ(r.painter.number(), (tick - 1) % 10 + 1) << tick;
    }
    r.Paint(20, {0.5f});  // a higher limit lets the cycle go on
    EXPECT_EQ(r.journal + std::to_string(r.painter.number()), "RNNNNNP2");
    r.Paint(2, {0.5f});
    EXPECT_EQ(r.journal + std::to_string(r.painter.number()), "CRNNNNNP1");
}

// Draws x, y, red, green, blue, on a surface whose size may change between two points; and
// the floor of the exact product: the float just below k / size lands on k - 1.
TEST(Createpoint, PlacesAndColoursEachPointFromItsFiveDraws) {
    // clang-format off
    const struct { float width, height; std::vector<float> draws; float x, y; std::uint32_t colour; } rows[] = {
        {1000, 800, {0.25f, 0.75f, 0.0f, 0.5f, kLast}, 250, 600, 0xFF8000},
        {1, 1, {kLast, kLast, kLast, 0.25f, 0.75f}, 0, 0, 0xBF40FF},
        {15360, 11520, {0, 0, 0, 0, 0}, 0, 0, 0}, {15360, 11520, {kLast, kLast, 0}, 15359, 11519, 0},
        {2280, 1680, {kLast, kLast, 0}, 2279, 1679, 0}, {14407.5f, 8107.5f, {kLast, kLast, 0}, 14407, 8107, 0},
        {16777215, 16777215, {kLast, kLast, 0}, 16777214, 16777214, 0}};
    // clang-format on
    Recorder r;
    for (const auto& row : rows) {
        r.width = row.width, r.height = row.height;
        r.Paint(30, row.draws);
        EXPECT_EQ(std::vector({r.x, r.y}), std::vector({row.x, row.y})) << row.width;
        EXPECT_EQ(r.colour, row.colour) << row.width;
    }
    for (const float size : {15360.0f, 57600.0f, 14407.5f}) {
        r.width = r.height = size;
        for (int k = 1; k < size; k += 7) {
            float at = static_cast<float>(k / static_cast<double>(size));
            while (static_cast<double>(at) * size < k) at = std::nextafter(at, 1.0f);
            while (static_cast<double>(std::nextafter(at, 0.0f)) * size >= k)
                at = std::nextafter(at, 0.0f);
            for (const float draw : {std::nextafter(at, 0.0f), at}) {
                r.Paint(30, {draw, draw, 0});
                const float want = draw == at ? k : k - 1;
                ASSERT_EQ(std::vector({r.x, r.y}), std::vector({want, want})) << size;
            }
        }
    }
}

// Every half-way mark between two components splits the draws exactly; 127.5 goes to even.
// A dot of width w covers w pixels, an even one leaning up and left.
TEST(Colour, ComponentsRoundInDoublePrecisionAndDotsCoverTheirWidth) {
    for (int k = 0; k < 255; ++k) {
        float below = static_cast<float>((k + 0.5) / 255);
        while (static_cast<double>(below) * 255 >= k + 0.5) below = std::nextafter(below, 0.0f);
        float above = std::nextafter(below, 1.0f);
        if (static_cast<double>(above) * 255 == k + 0.5) {
            EXPECT_EQ(ColourComponent(above), k % 2 == 0 ? k : k + 1) << "tie at " << k;
            above = std::nextafter(above, 1.0f);
        }
        EXPECT_EQ(std::vector({ColourComponent(below), ColourComponent(above)}),
                  std::vector({k, k + 1}));
    }
    const int dots[][4] = {{100, 1, 100, 101}, {100, 2, 99, 101},  {100, 3, 99, 102},
                           {100, 4, 98, 102},  {100, 13, 94, 107}, {0, 12, -6, 6}};
    for (const auto& [x, width, left, right] : dots) {
        const PixelBox box = DotBox(x, x + 7, width);
        EXPECT_EQ(std::vector({box.left, box.top, box.right, box.bottom}),
                  std::vector({left, left + 7, right, right + 7}))
            << width;
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
            low = std::min(low, draw), high = std::max(high, draw);
            position[static_cast<int>(draw * 64)] += 1;
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
        return std::vector{seeded.Next(), seeded.Next(), seeded.Next()};
    };
    const auto one = [] { return std::uint64_t{1234567890}; };
    EXPECT_EQ(first(one), first(one));
    EXPECT_NE(first(one), first([] { return std::uint64_t{1234567891}; }));
}

// Moves as x, y and 1 when the saver closes. The last row runs in the preview, where
// nothing closes and nothing is recorded.
TEST(MouseMoveRule, ClosesOnARealMovementAfterTheFirst) {
    const float right_of_100 = std::nextafter(100.0f, 200.0f);
    const std::vector<std::vector<float>> rows[] = {
        {{100, 100, 0}, {100, 100, 0}, {101, 100, 1}},
        {{100, 100, 0}, {100, 99, 1}},
        {{100, 100, 0}, {right_of_100, 100, 1}},
        {{100, 100, 0}, {0, 100, 1}},
        {{0, 50, 0}, {200, 200, 0}, {200, 200, 0}, {300, 300, 1}},
        {{50, 0, 0}, {70, 70, 0}, {80, 80, 1}},
        {{0, 10, 0}, {0, 20, 0}, {5, 30, 0}, {6, 30, 1}},
        {{10, 0, 0}, {20, 0, 0}, {20, 5, 0}},
        {{100, 100, 0}, {200, 200, 0}, {0, 0, 0}, {300, 7, 0}}};
    for (const auto& moves : rows) {
        const bool preview = &moves == &rows[std::size(rows) - 1];
        MouseMoveRule rule;
        for (const auto& move : moves) {
            const float x = move[0], y = move[1];
            EXPECT_EQ(rule.Move(preview, x, y), move[2] != 0) << x << ", " << y;
            EXPECT_EQ(std::vector({rule.lastx(), rule.lasty()}),
                      preview ? std::vector({0.0f, 0.0f}) : std::vector({x, y}))
                << x << ", " << y;
        }
    }
}

}  // namespace
}  // namespace glimra
