#include "settings/layout.h"

#include "platform/runtime/scaling.h"
#include "platform/runtime/scrolling.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string_view>
#include <vector>

namespace glimra::layout {
namespace {

const Control& Find(int id) {
    for (const Control& control : kControls) {
        if (control.id == id) return control;
    }
    throw std::invalid_argument("no such control");
}

// At 96 DPI a pixel is 15 twips; the places the dialog must show, in pixels.
TEST(Layout, FramesPlaceTheirControlsOnTheClientArea) {
    struct Row {
        int id;
        Rect pixels;
    };
    const Row rows[] = {
        {kFrame2, {8, 8, 281, 81}},
        {kHspeed, {16, 48, 265, 73}},
        {kLabel3, {16, 24, 30, 38}},
        {kLabel2, {248, 24, 262, 38}},
        {kFrame1, {8, 96, 281, 153}},
        {kCmdChangeUp, {232, 114, 249, 126}},
        {kCmdChangeDown, {232, 126, 249, 138}},
        {kTxtNum, {184, 114, 249, 138}},
        {kLabel1, {32, 120, 152, 132}},
        {kCommand3, {290, 16, 347, 41}},
        {kCommand4, {290, 48, 347, 73}},
        {kImage1, {304, 112, 337, 145}},
    };
    for (const Row& row : rows) {
        const Rect twips = ClientRect(Find(row.id));
        EXPECT_EQ(twips.left, row.pixels.left * 15) << row.id;
        EXPECT_EQ(twips.top, row.pixels.top * 15) << row.id;
        EXPECT_EQ(twips.right, row.pixels.right * 15) << row.id;
        EXPECT_EQ(twips.bottom, row.pixels.bottom * 15) << row.id;
    }
    EXPECT_EQ(kClientWidth, 353 * 15);
    EXPECT_EQ(kClientHeight, 169 * 15);
}

// The arrows cover exactly the right-hand 255 twips of the box, the up arrow its upper
// half; and they lie above it in the stacking order, which is the table's order.
TEST(Layout, ArrowsCoverTheRightEndOfTheCountAndLieAboveIt) {
    const Rect box = ClientRect(Find(kTxtNum));
    const Rect up = ClientRect(Find(kCmdChangeUp));
    const Rect down = ClientRect(Find(kCmdChangeDown));
    EXPECT_EQ(up.right, box.right);
    EXPECT_EQ(up.left, box.right - 255);
    EXPECT_EQ(up.top, box.top);
    EXPECT_EQ(up.bottom, down.top);
    EXPECT_EQ(down.bottom, box.bottom);
    EXPECT_EQ(down.left, up.left);

    auto place = [](int id) {
        for (std::size_t i = 0; i < kControls.size(); ++i) {
            if (kControls[i].id == id) return i;
        }
        return kControls.size();
    };
    EXPECT_LT(place(kCmdChangeUp), place(kTxtNum));
    EXPECT_LT(place(kCmdChangeDown), place(kTxtNum));
    EXPECT_LT(place(kTxtNum), place(kFrame1)) << "a frame never covers what it holds";
    EXPECT_LT(place(kHspeed), place(kFrame2));
}

TEST(Layout, TabStopsFollowTheKeyboardOrderWithoutCaptionAccessKeys) {
    std::vector<int> stops;
    for (const Control& control : kControls) {
        if (control.tab_stop) stops.push_back(control.id);
        EXPECT_EQ(control.caption.find(L'&'), std::wstring_view::npos) << control.id;
    }
    EXPECT_EQ(stops, (std::vector<int>{kTxtNum, kHspeed, kCommand3, kCommand4}));
}

// At each DPI: the client area and the logo's control from twips, the pens of the full
// screen and the preview, the logo and an arrow from their 96-DPI sizes, and the whole
// zoom that the logo is first enlarged by.
TEST(Scaling, LayoutPensAndPicturesFollowTheDpi) {
    struct Row {
        int dpi;
        float twips_per_pixel;
        int client_width, client_height, logo_control;
        int pen, preview_pen, logo, arrow, logo_zoom;
    };
    const Row rows[] = {
        {96, 15.0f, 353, 169, 33, 12, 4, 33, 8, 1},    {120, 12.0f, 441, 211, 41, 15, 5, 41, 10, 2},
        {144, 10.0f, 530, 254, 50, 18, 6, 50, 12, 2},  {192, 7.5f, 706, 338, 66, 24, 8, 66, 16, 2},
        {288, 5.0f, 1059, 507, 99, 36, 12, 99, 24, 3},
    };
    for (const Row& row : rows) {
        const Rect logo = ClientRect(Find(kImage1));
        EXPECT_EQ(TwipsPerPixel(row.dpi), row.twips_per_pixel) << row.dpi;
        EXPECT_EQ(TwipsToPixels(kClientWidth, row.dpi), row.client_width) << row.dpi;
        EXPECT_EQ(TwipsToPixels(kClientHeight, row.dpi), row.client_height) << row.dpi;
        EXPECT_EQ(TwipsToPixels(logo.right - logo.left, row.dpi), row.logo_control) << row.dpi;
        EXPECT_EQ(ScaledPixels(12, row.dpi), row.pen) << row.dpi;
        EXPECT_EQ(ScaledPixels(4, row.dpi), row.preview_pen) << row.dpi;
        EXPECT_EQ(ScaledPixels(33, row.dpi), row.logo) << row.dpi;
        EXPECT_EQ(ScaledPixels(8, row.dpi), row.arrow) << row.dpi;
        EXPECT_EQ(WholeZoom(33, row.logo), row.logo_zoom) << row.dpi;
    }
    EXPECT_EQ(TwipsToPixels(5, 144), 1) << "halves away from zero, as MulDiv";
    EXPECT_EQ(TwipsToPixels(-5, 144), -1);
    EXPECT_EQ(ScaledPixels(1, 24), 1) << "a pen never vanishes";
}

TEST(Scrolled, StepsAndHoldsTheSpeedWithinItsRange) {
    struct Row {
        int position;
        platform::ScrollAction action;
        int to;
        int expected;
    };
    using platform::ScrollAction;
    const Row rows[] = {
        {500, ScrollAction::kLineLess, 0, 450}, {500, ScrollAction::kLineMore, 0, 550},
        {500, ScrollAction::kPageLess, 0, 300}, {500, ScrollAction::kPageMore, 0, 700},
        {120, ScrollAction::kLineLess, 0, 100}, {1900, ScrollAction::kPageMore, 0, 2000},
        {100, ScrollAction::kPageLess, 0, 100}, {2000, ScrollAction::kLineMore, 0, 2000},
        {700, ScrollAction::kFirst, 0, 100},    {700, ScrollAction::kLast, 0, 2000},
        {700, ScrollAction::kTo, 1234, 1234},   {700, ScrollAction::kTo, 50, 100},
        {700, ScrollAction::kTo, 5000, 2000},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(platform::Scrolled(kSpeedScroll, row.position, row.action, row.to), row.expected)
            << row.position << " action " << static_cast<int>(row.action);
    }
}

}  // namespace
}  // namespace glimra::layout
