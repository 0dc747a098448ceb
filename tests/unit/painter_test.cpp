#include "saver/painter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "platform/runtime/random.h"
#include "test_support.h"

namespace glimra {
namespace {

using test::RecordingSurface;
using test::ScriptedRandom;

const float kLargestDraw = std::nextafter(1.0f, 0.0f);  // the largest float below 1

// Fifteen twips a pixel: a 1024 x 768 screen.
constexpr float kScreenWidth = 15360;
constexpr float kScreenHeight = 11520;

TEST(Createpoint, ClearsOnTheTickAfterThePointLimitAndPaintsFirst) {
    std::string journal;
    RecordingSurface surface(journal, kScreenWidth, kScreenHeight);
    ScriptedRandom random(journal, {0.1f, 0.2f, 0.3f, 0.4f, 0.5f});
    PointPainter painter;
    for (int tick = 1; tick <= 30; ++tick) {
        SCOPED_TRACE(testing::Message() << "tick " << tick);
        journal.clear();
        painter.createpoint(10, surface, random);
        const bool clearing = tick == 11 || tick == 21;
        // One reseed, then exactly five draws, then the point; a clear comes before all.
        EXPECT_EQ(journal, clearing ? "CRNNNNNP" : "RNNNNNP");
        const int in_cycle = (tick - 1) % 10 + 1;
        EXPECT_EQ(painter.number(), in_cycle);
        EXPECT_EQ(static_cast<int>(surface.on_screen.size()), in_cycle);
    }
    EXPECT_EQ(surface.clears, 2);
}

TEST(Createpoint, ReadsThePointLimitAtEveryCall) {
    std::string journal;
    RecordingSurface surface(journal, kScreenWidth, kScreenHeight);
    ScriptedRandom random(journal, {0.5f});
    PointPainter painter;
    for (int tick = 0; tick < 5; ++tick) painter.createpoint(10, surface, random);
    painter.createpoint(20, surface, random);  // a higher limit lets the cycle go on
    EXPECT_EQ(surface.clears, 0);
    EXPECT_EQ(painter.number(), 6);
    painter.createpoint(6, surface, random);  // the count has reached the new limit
    EXPECT_EQ(surface.clears, 1);
    EXPECT_EQ(painter.number(), 1);
}

TEST(Createpoint, DrawsXThenYThenRedGreenBlue) {
    std::string journal;
    RecordingSurface surface(journal, 1000, 800);
    ScriptedRandom random(journal, {0.25f, 0.75f, 0.0f, 0.5f, kLargestDraw});
    PointPainter painter;
    painter.createpoint(30, surface, random);
    ASSERT_EQ(surface.on_screen.size(), 1u);
    const auto& dot = surface.on_screen[0];
    EXPECT_EQ(dot.x, 250);
    EXPECT_EQ(dot.y, 600);
    EXPECT_EQ(dot.colour, RGB24(0, 128, 255));
    EXPECT_EQ(dot.colour, 0u + 256u * 128u + 65536u * 255u);
}

struct SurfaceSize {
    float width;
    float height;
};

// Sizes in twips from a one-pixel window to the largest whole number a float holds
// exactly, with a fractional size as 7.5 twips a pixel gives.
const SurfaceSize kSizes[] = {
    {1, 1},
    {15, 15},
    {2280, 1680},
    {kScreenWidth, kScreenHeight},
    {57600, 32400},
    {14407.5f, 8107.5f},
    {16777215, 16777215},
};

void ExpectInside(const SurfaceSize& size, float draw) {
    std::string journal;
    RecordingSurface surface(journal, size.width, size.height);
    ScriptedRandom random(journal, {draw, draw, 0.0f, 0.0f, 0.0f});
    PointPainter painter;
    painter.createpoint(30, surface, random);
    ASSERT_EQ(surface.on_screen.size(), 1u);
    const auto& dot = surface.on_screen[0];
    const testing::Message where = testing::Message() << "size " << size.width << " x "
                                                      << size.height << ", draw " << draw;
    EXPECT_GE(dot.x, 0) << where;
    EXPECT_LT(dot.x, size.width) << where;
    EXPECT_GE(dot.y, 0) << where;
    EXPECT_LT(dot.y, size.height) << where;
    EXPECT_EQ(dot.x, std::floor(dot.x)) << where;
    EXPECT_EQ(dot.y, std::floor(dot.y)) << where;
}

TEST(Createpoint, EveryPointLiesInsideTheSurface) {
    ClockRandom clock;
    clock.Randomize();
    std::vector<float> draws = {
        0.0f, std::numeric_limits<float>::denorm_min(), 1e-7f, 0.5f, 0.9999f, kLargestDraw};
    for (int i = 0; i < 500; ++i) draws.push_back(clock.Next());
    for (const auto& size : kSizes) {
        for (const float draw : draws) ExpectInside(size, draw);
    }
}

TEST(Createpoint, TheExtremeDrawsReachTheEdges) {
    for (const auto& size : kSizes) {
        std::string journal;
        RecordingSurface surface(journal, size.width, size.height);
        ScriptedRandom random(journal, {0.0f, 0.0f, 0.0f, 0.0f, 0.0f,  //
                                        kLargestDraw, kLargestDraw, 0.0f, 0.0f, 0.0f});
        PointPainter painter;
        painter.createpoint(30, surface, random);
        painter.createpoint(30, surface, random);
        ASSERT_EQ(surface.on_screen.size(), 2u);
        EXPECT_EQ(surface.on_screen[0].x, 0);
        EXPECT_EQ(surface.on_screen[0].y, 0);
        // The last whole twip before the edge.
        EXPECT_EQ(surface.on_screen[1].x, std::ceil(size.width) - 1) << size.width;
        EXPECT_EQ(surface.on_screen[1].y, std::ceil(size.height) - 1) << size.height;
    }
}

// x and y are the floors of the exact products: the float just below k / W lands on k - 1
// and the one from k / W on lands on k. A product rounded to float on the way would round
// some of the first up onto k.
TEST(Createpoint, TakesTheFloorOfTheExactProduct) {
    for (const float size : {kScreenWidth, kScreenHeight, 57600.0f, 14407.5f}) {
        std::string journal;
        RecordingSurface surface(journal, size, size);
        ScriptedRandom random(journal, {0.0f});
        PointPainter painter;
        for (int k = 1; k < size; k += 7) {
            float at = static_cast<float>(k / static_cast<double>(size));
            while (static_cast<double>(at) * size < k) at = std::nextafter(at, 1.0f);
            while (static_cast<double>(std::nextafter(at, 0.0f)) * size >= k) {
                at = std::nextafter(at, 0.0f);
            }
            const float below = std::nextafter(at, 0.0f);
            random.Script({below, below, 0.0f, 0.0f, 0.0f, at, at, 0.0f, 0.0f, 0.0f});
            painter.createpoint(30, surface, random);
            painter.createpoint(30, surface, random);
            const auto& low = surface.on_screen[surface.on_screen.size() - 2];
            const auto& high = surface.on_screen.back();
            const testing::Message where = testing::Message() << "size " << size << ", k " << k;
            ASSERT_EQ(low.x, k - 1) << where;
            ASSERT_EQ(low.y, k - 1) << where;
            ASSERT_EQ(high.x, k) << where;
            ASSERT_EQ(high.y, k) << where;
        }
    }
}

TEST(Createpoint, AResizedSurfaceGetsItsNextPointInTheNewSize) {
    std::string journal;
    RecordingSurface surface(journal, kScreenWidth, kScreenHeight);
    ScriptedRandom random(journal, {kLargestDraw});
    PointPainter painter;
    painter.createpoint(30, surface, random);
    surface.width = 2280;  // the preview, 152 x 112 pixels
    surface.height = 1680;
    painter.createpoint(30, surface, random);
    ASSERT_EQ(surface.on_screen.size(), 2u);
    EXPECT_EQ(surface.on_screen[0].x, kScreenWidth - 1);
    EXPECT_EQ(surface.on_screen[0].y, kScreenHeight - 1);
    EXPECT_EQ(surface.on_screen[1].x, 2279);
    EXPECT_EQ(surface.on_screen[1].y, 1679);
}

struct ComponentCase {
    float draw;
    int component;
};

TEST(ColourComponent, RoundsTheDrawTimes255TiesToEven) {
    const ComponentCase rows[] = {
        {0.0f, 0},           {0.5f, 128},  // 127.5 goes to the even 128
        {kLargestDraw, 255}, {1.0f / 255, 1}, {254.0f / 255, 254}, {0.25f, 64},  // 63.75
        {0.75f, 191},                                                            // 191.25
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ColourComponent(row.draw), row.component) << row.draw;
    }
}

// The product is formed in double precision: at every half-way mark between two
// components, the float just below it gives the lower one and the float just above it the
// upper one. A product rounded to float first would land on some marks and go to even.
TEST(ColourComponent, EveryHalfWayMarkSplitsTheDrawsExactly) {
    for (int k = 0; k < 255; ++k) {
        const double mark = k + 0.5;
        float below = static_cast<float>(mark / 255);
        while (static_cast<double>(below) * 255 >= mark) below = std::nextafter(below, 0.0f);
        float above = std::nextafter(below, 1.0f);
        if (static_cast<double>(above) * 255 == mark) {  // only 0.5 is a tie
            EXPECT_EQ(ColourComponent(above), k % 2 == 0 ? k : k + 1) << "tie at " << mark;
            above = std::nextafter(above, 1.0f);
        }
        EXPECT_EQ(ColourComponent(below), k) << "below " << mark;
        EXPECT_EQ(ColourComponent(above), k + 1) << "above " << mark;
    }
}

struct DotCase {
    int width;
    PixelBox box;  // for a point at 100, 50
};

TEST(DotBox, CoversWidthPixelsCentredOnThePoint) {
    const DotCase rows[] = {
        {1, {100, 50, 101, 51}},  // one pixel
        {2, {99, 49, 101, 51}},  {3, {99, 49, 102, 52}},  {4, {98, 48, 102, 52}},
        {5, {98, 48, 103, 53}},  {11, {95, 45, 106, 56}}, {12, {94, 44, 106, 56}},
        {13, {94, 44, 107, 57}},
    };
    for (const auto& row : rows) {
        const PixelBox box = DotBox(100, 50, row.width);
        EXPECT_EQ(box.left, row.box.left) << "width " << row.width;
        EXPECT_EQ(box.top, row.box.top) << "width " << row.width;
        EXPECT_EQ(box.right, row.box.right) << "width " << row.width;
        EXPECT_EQ(box.bottom, row.box.bottom) << "width " << row.width;
    }
}

TEST(DotBox, ReachesPastTheEdgeForTheSurfaceToClip) {
    const PixelBox box = DotBox(0, 0, 12);
    EXPECT_EQ(box.left, -6);
    EXPECT_EQ(box.top, -6);
    EXPECT_EQ(box.right, 6);
    EXPECT_EQ(box.bottom, 6);
}

}  // namespace
}  // namespace glimra
