// The portable rules, one table each: Val and the conversions, number text in any locale, the
// command line and its grammar with the preview handle, the stored settings, createpoint and
// the dot, the clock's random numbers, the mouse-move rule, the arrows, the speed bar, the layout.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <locale>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "runtime/argument_text.h"
#include "runtime/numbers.h"
#include "runtime/random.h"
#include "runtime/runtime_error.h"
#include "platform/dialog_layout.h"
#include "platform/scaling.h"
#include "platform/scrolling.h"
#include "saver/mouse_rule.h"
#include "saver/painter.h"
#include "settings/layout.h"
#include "settings/stepping.h"
#include "startup/command_line.h"
#include "startup/preview_handle.h"
#include "startup/settings_rules.h"

// glibc's newlocale does not free the search path it builds from LOCPATH.
extern "C" const char* __lsan_default_suppressions() { return "leak:argz_add_sep\n"; }

namespace glimra {
namespace {

using namespace runtime;
using namespace platform;
// clang-format off
using Int = std::optional<std::int64_t>;  // nothing: no handle, or the overflow error
constexpr double kInf = HUGE_VAL;
constexpr std::nullopt_t kNo = std::nullopt;
const std::wstring k9s(1 << 20, L'9');

Int OrOverflow(auto call) {
    try { return call(); } catch (const RuntimeError& error) { return error.number == kErrOverflow ? kNo : Int(-999); }
}

TEST(Numbers, ValCIntAndCLng) {
    const struct { std::wstring text; double value; } vals[] = {
        {L"\t\r\n 7", 7}, {L"+5", 5}, {L"-4.25", -4.25}, {L".5", 0.5}, {L"5.", 5}, {L"-.5", -0.5}, {L"0012", 12},
        {L"1.5.3", 1.5}, {L"50abc", 50}, {L"3-4", 3}, {L"", 0}, {L"-", 0}, {L".", 0}, {L"+-5", 0}, {L"\u00a05", 0},
        {L"\uff15", 0}, {L"1e3", 1}, {L"&H10", 0}, {L"0x1A", 0}, {L"1 2", 1}, {L"- 5", 0}, {L"12,5", 12}, {L"inf", 0},
        {k9s, kInf}, {L"-" + k9s, -kInf}, {std::wstring(1 << 20, L'0') + L"42", 42}, {L"1." + k9s, 2},
        {L"1" + std::wstring(308, L'0') + L".", 1e308}, {L"1" + std::wstring(309, L'0'), kInf}};
    for (const auto& row : vals) EXPECT_EQ(Val(row.text), row.value) << row.text.substr(0, 9);
    const struct { double value; Int cint, clng; } conversions[] = {
        {12.5, 12, 12}, {13.5, 14, 14}, {-2.5, -2, -2}, {-3.5, -4, -4}, {-0.5, 0, 0}, {-0.6, -1, -1},
        {0.49999999999999994, 0, 0}, {32767.4, 32767, 32767}, {32767.5, kNo, 32768}, {-32768.5, -32768, -32768},
        {-32768.6, kNo, -32769}, {2147483646.5, kNo, 2147483646}, {2147483647.5, kNo, kNo},
        {-2147483648.5, kNo, -2147483648LL}, {-2147483648.6, kNo, kNo}, {kInf, kNo, kNo}, {std::nan(""), kNo, kNo}};
    for (const auto& row : conversions)
        EXPECT_EQ(std::pair(OrOverflow([&] { return CInt(row.value); }), OrOverflow([&] { return CLng(row.value); })),
                  std::pair(row.cint, row.clng)) << row.value;
}

// The build tree holds both locales (LOCPATH); a missing one fails the test.
TEST(Numbers, NumberTextAndValIgnoreTheLocalesSeparator) {
    for (const auto& [name, separator] : {std::pair{"C", "."}, {"de_DE.UTF-8", ","},
                                          {"ps_AF.UTF-8", "\u066b"}}) {
        const std::locale previous = std::locale::global(std::locale(name));
        EXPECT_STREQ(std::localeconv()->decimal_point, separator);
        const struct { double value; std::wstring_view text; } rows[] = {
            {-4, L"-4"}, {200.5, L"200.5"}, {-0.0, L"0"}, {-0.5, L"-0.5"}, {0.1 + 0.2, L"0.3"}, {0.3 - 1, L"-0.7"},
            {2.0 / 3, L"0.666666666666667"}, {1e14, L"100000000000000"}, {1e15, L"1E+15"}, {1234567, L"1234567"}};
        for (const auto& row : rows) EXPECT_EQ(NumberText(row.value), row.text) << name;
        EXPECT_EQ(std::pair(Val(L"12.5"), Val(L"12,5")), std::pair(12.5, 12.0)) << name;
        std::locale::global(previous);
    }
}

TEST(Grammar, ArgumentTextDropsTheProgramsPath) {
    const std::wstring own[] = {L"C:\\Program Files\\G\\Lumeck.scr", L"C:\\PROGRA~1\\G\\Lumeck.scr"};
    const struct { std::wstring_view line; bool own; std::wstring_view argument; } rows[] = {
        {L"C:\\WINDOWS\\Lumeck.scr /s", 0, L"/s"}, {L"\"C:\\a b\\L.scr\"   \t  /c:1", 0, L"/c:1"},
        {L"Lumeck.scr \t \t/S", 0, L"/S"}, {L"\"C:\\x.scr\"/s", 0, L"/s"}, {L"Lumeck.scr /s  ", 0, L"/s  "},
        {L"Lumeck.scr \"/s\"", 0, L"\"/s\""}, {L"Lumeck.scr    ", 0, L""}, {L"\"C:\\no end\\Lumeck.scr /s", 0, L""},
        {L"C:\\Program Files\\G\\Lumeck.scr /s", 1, L"/s"},
        {L"c:\\program files\\g\\LUMECK.SCR \t /p 66", 1, L"/p 66"}, {L"C:\\PROGRA~1\\G\\Lumeck.scr /c", 1, L"/c"},
        {L"\"C:\\Program Files\\G\\Lumeck.scr\"/v", 1, L"/v"}, {L"C:\\Program Files\\G\\Lumeck.scr", 1, L""},
        {L"C:\\Program Files\\G\\Lumeck.scrx /s", 1, L"Files\\G\\Lumeck.scrx /s"},
        {L"\"C:\\Program Files\\G\\Lumeck.scr /s", 1, L""}};
    for (const auto& row : rows)
        EXPECT_EQ(row.own ? ArgumentText(row.line, own) : ArgumentText(row.line), row.argument) << row.line.data();
}

// Modes: p preview, s saver, v statement, c settings; then the handle on Windows and X11.
TEST(Grammar, ModeAndPreviewHandleOfEachArgumentText) {
    const struct { std::wstring_view argument; char mode; Int windows, x11; } rows[] = {
        {L"/s", 's', kNo, kNo}, {L"/S", 's', kNo, kNo}, {L"/s ", 'c', kNo, kNo}, {L" /s", 'c', kNo, kNo},
        {L"/sv", 'c', kNo, kNo}, {L"/\uff53", 'c', kNo, kNo}, {L"/v", 'v', kNo, kNo}, {L"/V", 'v', kNo, kNo},
        {L"/v ", 'c', kNo, kNo}, {L"", 'c', kNo, kNo}, {L"/c:1234", 'c', kNo, kNo}, {L"/P 1234", 'c', 1234, 1234},
        {L"/p 1234", 'p', 1234, 1234}, {L"/p\t 66 /x", 'p', 66, 66}, {L"/p 1234.5", 'p', 1234, 1234},
        {L"/p 1235.5", 'p', 1236, 1236}, {L"/p 0.5", 'p', kNo, kNo}, {L"/p:1234", 'p', kNo, kNo},
        {L"x/p 1234", 'p', kNo, kNo}, {L"/s/p", 'p', kNo, kNo}, {L"/p", 'p', kNo, kNo}, {L"/p -66", 'p', -66, kNo},
        {L"/p 2147483648", 'p', -2147483648LL, 2147483648}, {L"/p 4294967295", 'p', -1, 4294967295},
        {L"/p 4294967294.5", 'p', -2, 4294967294}, {L"/p 4294967295.5", 'p', kNo, kNo},
        {L"/p 99999999999", 'p', kNo, kNo}, {L"/p -2147483648", 'p', -2147483648LL, kNo},
        {L"/p -2147483649", 'p', kNo, kNo}, {L"/p  0X1a00007 ", 'p', kNo, 0x1A00007},
        {L"/p 0xffffffff", 'p', kNo, 4294967295}, {L"/p 0x100000000", 'p', kNo, kNo}, {L"/p 0x0", 'p', kNo, kNo},
        {L"/p 0xg1", 'p', kNo, kNo}, {L"/p 0x12z", 'p', kNo, 0x12}, {L"/p -0x10", 'p', kNo, kNo},
        {L"/p 12x34", 'p', 12, 12}};
    for (const auto& [text, mode, windows, x11] : rows)
        EXPECT_EQ(std::tuple("psvc"[int(SelectMode(text))], PreviewHandle(text, platform::HostHandleForm::kWindows),
                             PreviewHandle(text, platform::HostHandleForm::kX11)),
                  std::tuple(mode, windows, x11)) << text.data();
}

TEST(Settings, EachRuleTakesTheNearestIntegerInItsRangeOrItsDefault) {
    const SettingRule &n = kPointCountRule, &s = kIntervalRule;
    const struct { const SettingRule& rule; std::wstring stored; int value; } rows[] = {
        {n, L"50", 50}, {n, L"  25 ", 25}, {n, L"50abc", 50}, {n, L"10", 10}, {n, L"200", 200}, {n, L"9.5", 10},
        {n, L"10.4", 10}, {n, L"200.5", 200}, {n, L"200.6", 30}, {n, L"9.4", 30}, {n, L"abc", 30}, {n, L"", 30},
        {n, L"0", 30}, {n, L"201", 30}, {n, L"-5", 30}, {n, L"11.5", 12}, {n, L"1e2", 30}, {s, L"100", 100},
        {s, L"2000", 2000}, {s, L"99", 500}, {s, L"2001", 500}, {s, L"1500.5", 1500}, {s, L"99.5", 100},
        {s, L"2000.6", 500}, {s, L"fast", 500}, {n, L"32768", 30}, {s, L"-32769", 500}, {n, L"99999999999", 30},
        {s, k9s, 500}, {n, L"-" + k9s, 30}, {s, L"1" + std::wstring(300, L'0'), 500},
        {n, std::wstring(n.default_text), 30}, {s, std::wstring(s.default_text), 500}};
    for (const auto& row : rows) EXPECT_EQ(ApplyRule(row.rule, row.stored), row.value) << row.stored.substr(0, 9);
}

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
        {2280, 1680, {last, last, 0}, 2279, 1679, 0xFFFF00},
        {14407.5f, 8107.5f, {last, last, 0}, 14407, 8107, 0xFFFF00},
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
        EXPECT_EQ(std::vector({box.left, box.top, box.right, box.bottom}),
                  std::vector({left, left + 7, right, right + 7}));
    }
}

// Five draws after each reseed, as the painter takes them: in [0, 1), reaching both ends,
// each uniform (chi-square over 64 bins below its 1e-10 quantile); the clock decides them.
TEST(ClockRandom, EachDrawAfterAReseedIsUniformAndTheClockDecides) {
    std::vector<double> chi(5), bins(5 * 64);
    ClockRandom random, stopped([] { return std::uint64_t{7}; }), again([] { return std::uint64_t{7}; });
    for (int point = 0; point < 64000; ++point, random.Randomize())
        for (int i = 0; i < 5; ++i) {
            const float draw = random.Next();
            ASSERT_TRUE(draw >= 0 && draw < 1) << draw;
            bins[i * 64 + int(draw * 64)] += 1;
        }
    for (int i = 0; i < 5 * 64; ++i) chi[i / 64] += (bins[i] - 1000) * (bins[i] - 1000) / 1000;
    for (const double each : chi) EXPECT_LT(each, 162.5);
    stopped.Randomize(), again.Randomize(), random.Randomize();
    EXPECT_EQ(stopped.Next(), again.Next());
    EXPECT_NE(stopped.Next(), random.Next());
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
        for (const auto& move : moves)
            EXPECT_EQ(std::vector({float(rule.Move(preview, move[0], move[1])), rule.lastx(), rule.lasty()}),
                      preview ? std::vector({0.0f, 0.0f, 0.0f}) : std::vector({move[2], move[0], move[1]}))
                << move[0] << ", " << move[1];
    }
}

TEST(Dialog, ArrowsStepTheLeadingNumberBetweenTheStops) {
    const std::optional<std::wstring> stays;
    const struct { std::wstring text; std::optional<std::wstring> up, down; } rows[] = {
        {L"30", L"31", L"29"}, {L"199", L"200", L"198"}, {L"200", stays, L"199"}, {L"250", stays, L"249"},
        {L"10", L"11", L"9"}, {L"1", L"2", L"0"}, {L"0", L"1", stays}, {L"", L"1", stays}, {L"abc", L"1", stays},
        {L"12abc", L"13", L"11"}, {L"  30 ", L"31", L"29"}, {L"-5", L"-4", stays}, {L"199.5", L"200.5", L"198.5"},
        {L"200.5", stays, L"199.5"}, {L"0.5", L"1.5", L"-0.5"}, {L"-0.5", L"0.5", stays}, {L"0.1", L"1.1", L"-0.9"},
        {L"0.3", L"1.3", L"-0.7"}, {L"1e3", L"2", L"0"}, {std::wstring(300, L'x'), L"1", stays}};
    for (const auto& [text, up, down] : rows)
        EXPECT_EQ(std::pair(StepCount(text, Arrow::kUp), StepCount(text, Arrow::kDown)), std::pair(up, down)) << text;
}

TEST(Dialog, SpeedBarStepsAndHoldsItsRange) {
    using enum platform::ScrollAction;
    const struct { int position; platform::ScrollAction action; int to, expected; } rows[] = {
        {500, kLineLess, 0, 450}, {500, kLineMore, 0, 550}, {500, kPageLess, 0, 300}, {500, kPageMore, 0, 700},
        {120, kLineLess, 0, 100}, {1900, kPageMore, 0, 2000}, {100, kPageLess, 0, 100}, {2000, kLineMore, 0, 2000},
        {700, kFirst, 0, 100}, {700, kLast, 0, 2000}, {700, kTo, 1234, 1234}, {700, kTo, 50, 100},
        {700, kTo, 5000, 2000}};
    for (const auto& [position, action, to, expected] : rows)
        EXPECT_EQ(platform::Scrolled(layout::kSpeedScroll, position, action, to), expected)
            << position << " " << int(action);
}

// The layout in pixels at 96 DPI (15 twips each), in the table's order, which is the tab
// order and the stacking order (first on top): the arrows above the count, each frame
// below what it holds. The end-to-end tests compare the real dialog with the product's
// table; this is the one place that says what it must be.
TEST(Dialog, LayoutPlacesEveryControlWithItsCaptionAndTabStop) {
    using namespace layout;
    const struct { int id, left, top, right, bottom; std::wstring_view caption; bool tab_stop; } rows[] = {
        {kDownArrow, 232, 126, 249, 138, L"", 0}, {kUpArrow, 232, 114, 249, 126, L"", 0},
        {kCountBox, 184, 114, 249, 138, L"", 1}, {kCountLabel, 32, 120, 152, 132, L"Glimra个数(10 - 200个)", 0},
        {kCountFrame, 8, 96, 281, 153, L"Glimra密度", 0}, {kSpeedBar, 16, 48, 265, 73, L"", 1},
        {kFastLabel, 16, 24, 30, 38, L"快", 0}, {kSlowLabel, 248, 24, 262, 38, L"慢", 0},
        {kSpeedFrame, 8, 8, 281, 81, L"绘点速度", 0}, {kOk, 290, 16, 347, 41, L"确定", 1},
        {kCancel, 290, 48, 347, 73, L"取消", 1}, {kLogo, 304, 112, 337, 145, L"", 0}};
    ASSERT_EQ(std::size(rows), kControls.size());
    for (std::size_t i = 0; i < kControls.size(); ++i) {
        const auto& row = rows[i];
        const Control& c = kControls[i];
        const PixelRect r = ControlPixels({.controls = kControls}, c, 96);
        EXPECT_EQ(std::tuple(c.id, r.left, r.top, r.right, r.bottom, c.caption, c.tab_stop),
                  std::tuple(row.id, row.left, row.top, row.right, row.bottom, row.caption, row.tab_stop));
    }
    EXPECT_EQ(std::vector({kClientWidth, kClientHeight}), std::vector({353 * 15, 169 * 15}));
    EXPECT_EQ(kCaption, L"配置");
}

// Where laid out while the whole window fits on the work area; otherwise centred on it, its
// top-left corner on the area even when the window is larger.
TEST(Dialog, TheWindowStaysOnItsMonitorsWorkArea) {
    const PixelRect screen{0, 0, 1024, 768}, below_a_bar{0, 40, 1024, 768};
    const struct { const char* what; PixelRect window, area, placed; } rows[] = {
        {"fits", {333, 237, 692, 414}, screen, {333, 237, 692, 414}},
        {"off the right at 150 %", {500, 356, 1036, 636}, screen, {244, 244, 780, 524}},
        {"above the area", {333, 20, 692, 197}, below_a_bar, {332, 315, 691, 492}},
        {"larger than the area", {10, 10, 1110, 910}, screen, {0, 0, 1100, 900}}};
    for (const auto& row : rows) {
        const PixelRect placed = PlacedWindow(row.window, row.area);
        EXPECT_EQ(std::tuple(placed.left, placed.top, placed.right, placed.bottom),
                  std::tuple(row.placed.left, row.placed.top, row.placed.right, row.placed.bottom)) << row.what;
    }
}

// At each DPI: the client area and the logo's control from twips, the pens of the full
// screen and the preview, the logo and an arrow from their 96-DPI sizes, and the whole zoom
// that the logo is first enlarged by; then the rounding at the edges.
TEST(Dialog, LayoutPensAndPicturesFollowTheDpi) {
    using namespace layout;
    const struct { int dpi; float twips; int width, height, logo_box, pen, preview_pen, logo, arrow, zoom; } rows[] = {
        {96, 15.0f, 353, 169, 33, 12, 4, 33, 8, 1},   {120, 12.0f, 441, 211, 41, 15, 5, 41, 10, 2},
        {144, 10.0f, 530, 254, 50, 18, 6, 50, 12, 2}, {192, 7.5f, 706, 338, 66, 24, 8, 66, 16, 2},
        {288, 5.0f, 1059, 507, 99, 36, 12, 99, 24, 3}};
    for (const auto& row : rows) {
        EXPECT_EQ(std::tuple(TwipsPerPixel(row.dpi), TwipsToPixels(kClientWidth, row.dpi),
                             TwipsToPixels(kClientHeight, row.dpi), TwipsToPixels(kControls.back().width, row.dpi),
                             ScaledPixels(12, row.dpi), ScaledPixels(4, row.dpi), ScaledPixels(33, row.dpi),
                             ScaledPixels(8, row.dpi), WholeZoom(33, row.logo)),
                  std::tuple(row.twips, row.width, row.height, row.logo_box, row.pen, row.preview_pen, row.logo,
                             row.arrow, row.zoom)) << row.dpi;
    }
    EXPECT_EQ(std::tuple(TwipsToPixels(5, 144), TwipsToPixels(-5, 144), ScaledPixels(1, 24)), std::tuple(1, -1, 1));
}
// clang-format on
}  // namespace
}  // namespace glimra
