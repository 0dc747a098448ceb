// The dialog's rules: the arrows' stepping, the speed bar's steps, and the layout.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/runtime/scrolling.h"
#include "settings/layout.h"
#include "settings/stepping.h"

namespace glimra {
namespace {

// clang-format off
TEST(Dialog, ArrowsStepTheLeadingNumberBetweenTheStops) {
    const std::optional<std::wstring> stays;
    const struct { std::wstring text; std::optional<std::wstring> up, down; } rows[] = {
        {L"30", L"31", L"29"}, {L"199", L"200", L"198"}, {L"200", stays, L"199"},
        {L"250", stays, L"249"}, {L"10", L"11", L"9"}, {L"1", L"2", L"0"}, {L"0", L"1", stays},
        {L"", L"1", stays}, {L"abc", L"1", stays}, {L"12abc", L"13", L"11"}, {L"  30 ", L"31", L"29"},
        {L"-5", L"-4", stays}, {L"199.5", L"200.5", L"198.5"}, {L"200.5", stays, L"199.5"},
        {L"0.5", L"1.5", L"-0.5"}, {L"-0.5", L"0.5", stays}, {L"0.1", L"1.1", L"-0.9"},
        {L"0.3", L"1.3", L"-0.7"}, {L"1e3", L"2", L"0"}, {std::wstring(300, L'x'), L"1", stays}};
    for (const auto& row : rows) {
        EXPECT_EQ(StepCount(row.text, Arrow::kUp), row.up) << "up from " << row.text;
        EXPECT_EQ(StepCount(row.text, Arrow::kDown), row.down) << "down from " << row.text;
    }
}

TEST(Dialog, SpeedBarStepsAndHoldsItsRange) {
    using enum platform::ScrollAction;
    const struct { int position; platform::ScrollAction action; int to, expected; } rows[] = {
        {500, kLineLess, 0, 450}, {500, kLineMore, 0, 550}, {500, kPageLess, 0, 300},
        {500, kPageMore, 0, 700}, {120, kLineLess, 0, 100}, {1900, kPageMore, 0, 2000},
        {100, kPageLess, 0, 100}, {2000, kLineMore, 0, 2000}, {700, kFirst, 0, 100},
        {700, kLast, 0, 2000}, {700, kTo, 1234, 1234}, {700, kTo, 50, 100}, {700, kTo, 5000, 2000}};
    for (const auto& row : rows) {
        EXPECT_EQ(platform::Scrolled(layout::kSpeedScroll, row.position, row.action, row.to),
                  row.expected) << row.position << " action " << static_cast<int>(row.action);
    }
}

// The layout in pixels at 96 DPI (15 twips each), in the table's order, which is the tab
// order and the stacking order (first on top): the arrows above the count, each frame
// below what it holds. The end-to-end tests compare the real dialog with the product's
// table; this is the one place that says what it must be.
TEST(Dialog, LayoutPlacesEveryControlWithItsCaptionAndTabStop) {
    using namespace layout;
    const struct { int id, left, top, right, bottom; std::wstring_view caption; bool tab_stop; } rows[] = {
        {kCmdChangeDown, 232, 126, 249, 138, L"", 0}, {kCmdChangeUp, 232, 114, 249, 126, L"", 0},
        {kTxtNum, 184, 114, 249, 138, L"", 1}, {kLabel1, 32, 120, 152, 132, L"Glimra个数(10 - 200个)", 0},
        {kFrame1, 8, 96, 281, 153, L"Glimra密度", 0}, {kHspeed, 16, 48, 265, 73, L"", 1},
        {kLabel3, 16, 24, 30, 38, L"快", 0}, {kLabel2, 248, 24, 262, 38, L"慢", 0},
        {kFrame2, 8, 8, 281, 81, L"绘点速度", 0}, {kCommand3, 290, 16, 347, 41, L"确定", 1},
        {kCommand4, 290, 48, 347, 73, L"取消", 1}, {kImage1, 304, 112, 337, 145, L"", 0}};
    ASSERT_EQ(std::size(rows), kControls.size());
    for (std::size_t i = 0; i < kControls.size(); ++i) {
        const auto& row = rows[i];
        const Rect r = ClientRect(kControls[i]);
        EXPECT_EQ(std::vector({kControls[i].id, r.left, r.top, r.right, r.bottom}),
                  std::vector({row.id, row.left * 15, row.top * 15, row.right * 15, row.bottom * 15}));
        EXPECT_EQ(kControls[i].caption, row.caption) << row.id;
        EXPECT_EQ(kControls[i].tab_stop, row.tab_stop) << row.id;
    }
    EXPECT_EQ(std::vector({kClientWidth, kClientHeight}), std::vector({353 * 15, 169 * 15}));
    EXPECT_EQ(kCaption, L"配置");
}
// clang-format on

}  // namespace
}  // namespace glimra
