// The portable rules, one table each; Val in the "C" locale is the val fuzzer's, whose seeds
// run first.
#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <locale>
#include <optional>
#include <string>
#include <vector>

#include "platform/dialog_layout.h"
#include "platform/forms.h"
#include "platform/saver_base.h"
#include "platform/scrolling.h"
#include "runtime/argument_text.h"
#include "runtime/numbers.h"
#include "runtime/random.h"
#include "saver/mouse_rule.h"
#include "saver/painter.h"
#include "settings/layout.h"
#include "settings/stepping.h"
#include "startup/command_line.h"
#include "startup/preview_handle.h"
#include "startup/settings_rules.h"

// glibc's newlocale does not free the search path it builds from LOCPATH. The suppression
// names the function, so the reports need llvm-symbolizer (Debian's llvm package).
extern "C" const char* __lsan_default_suppressions() { return "leak:argz_add_sep\n"; }

namespace glimra {
namespace {

using namespace runtime;
using namespace platform;
using Int = std::optional<std::int64_t>;  // nothing: no handle
constexpr std::nullopt_t kNo = std::nullopt;

// The build tree holds both locales (LOCPATH); a missing one fails the test.
TEST(Numbers, NumberTextAndValIgnoreTheLocalesSeparator) {
    const std::pair<const char*, const char*> locales[] = {
        {"C", "."}, {"de_DE.UTF-8", ","}, {"ps_AF.UTF-8", "\u066b"}};
    for (const auto& [name, separator] : locales) {
        const std::locale previous = std::locale::global(std::locale(name));
        EXPECT_STREQ(std::localeconv()->decimal_point, separator);
        EXPECT_EQ(NumberText(200.5), L"200.5") << name;
        EXPECT_EQ(NumberText(-0.0), L"0") << name;
        EXPECT_EQ(NumberText(1e15), L"1E+15") << name;
        EXPECT_EQ(NumberText(2.0 / 3), L"0.666666666666667") << name;
        EXPECT_EQ(Val(L"12.5"), 12.5) << name;
        std::locale::global(previous);
    }
}

TEST(Grammar, ArgumentTextDropsTheProgramsPath) {
    const std::wstring own[] = {L"C:\\Program Files\\G\\Lumeck.scr",
                                L"C:\\PROGRA~1\\G\\Lumeck.scr"};
    const struct {
        std::wstring_view line;
        bool own;
        std::wstring_view argument;
    } rows[] = {{L"\"C:\\a b\\L.scr\"   \t  /c:1", false, L"/c:1"},
                {L"Lumeck.scr /s  ", false, L"/s  "},
                {L"\"C:\\no end\\Lumeck.scr /s", false, L""},
                {L"c:\\program files\\g\\LUMECK.SCR \t /p 66", true, L"/p 66"},
                {L"C:\\PROGRA~1\\G\\Lumeck.scr /c", true, L"/c"},
                {L"C:\\Program Files\\G\\Lumeck.scrx /s", true, L"Files\\G\\Lumeck.scrx /s"}};
    for (const auto& row : rows) {
        const std::wstring argument =
            row.own ? ArgumentText(row.line, own) : ArgumentText(row.line);
        EXPECT_EQ(argument, row.argument) << row.line.data();
    }
}

TEST(Grammar, ModeAndPreviewHandleOfEachArgumentText) {
    using enum Mode;
    using enum HostHandleForm;
    const struct {
        std::wstring_view argument;
        Mode mode;
        Int windows, x11;  // the preview handle as each platform reads it
    } rows[] = {{L"/S", kFullScreen, kNo, kNo},
                {L"/\uff53", kSettings, kNo, kNo},
                {L"/V", kStatement, kNo, kNo},
                {L"/P 1234", kSettings, 1234, 1234},
                {L"/p\t 66 /x", kPreview, 66, 66},
                {L"/p 1234.5", kPreview, 1234, 1234},
                {L"/p 1235.5", kPreview, 1236, 1236},
                {L"/p:1234", kPreview, kNo, kNo},
                {L"/p -66", kPreview, -66, kNo},
                {L"/p 2147483648", kPreview, -2147483648LL, 2147483648},
                {L"/p -2147483649", kPreview, kNo, kNo},
                {L"/p  0X1a00007 ", kPreview, kNo, 0x1A00007},
                {L"/p 0x100000000", kPreview, kNo, kNo}};
    for (const auto& row : rows) {
        const auto text = row.argument.data();
        EXPECT_EQ(SelectMode(row.argument), row.mode) << text;
        EXPECT_EQ(PreviewHandle(row.argument, kWindows), row.windows) << "Windows: " << text;
        EXPECT_EQ(PreviewHandle(row.argument, kX11), row.x11) << "X11: " << text;
    }
}

TEST(Settings, EachRuleTakesTheNearestIntegerInItsRangeOrItsDefault) {
    const SettingRule& count = kPointCountRule;
    const SettingRule& interval = kIntervalRule;
    const struct {
        const SettingRule& rule;
        std::wstring stored;
        int value;
    } rows[] = {{count, L"  25abc", 25},   {count, L"200", 200},     {count, L"9.5", 10},
                {count, L"200.5", 200},    {count, L"200.6", 30},    {count, L"9.4", 30},
                {interval, L"2000", 2000}, {interval, L"2001", 500}, {count, L"99999999999", 30}};
    for (const auto& row : rows) {
        EXPECT_EQ(ApplyRule(row.rule, row.stored), row.value) << row.stored.substr(0, 9);
    }
}

// A surface and random source that write what is called into a journal: C Cls, P PSet,
// R Randomize, N Next.
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
    void PSet(float point_x, float point_y, std::uint32_t point_colour) override {
        journal += 'P';
        x = point_x;
        y = point_y;
        colour = point_colour;
    }
    void Randomize() override { journal += 'R'; }
    float Next() override {
        journal += 'N';
        return draws[next++ % draws.size()];
    }
    // One tick: the journal and then the number of points since the clear.
    std::string Paint(int limit) {
        next = 0;
        journal.clear();
        painter.createpoint(static_cast<std::int16_t>(limit), *this, *this);
        return journal + std::to_string(painter.number());
    }
};

TEST(Createpoint, ClearsOnTheTickAfterThePointLimitReadAtEveryCall) {
    Recorder recorder;
    for (int tick = 1; tick <= 21; ++tick) {
        const int number = (tick - 1) % 10 + 1;
        const std::string clear = number == 1 && tick > 1 ? "C" : "";
        EXPECT_EQ(recorder.Paint(10), clear + "RNNNNNP" + std::to_string(number)) << tick;
    }
    EXPECT_EQ(recorder.Paint(20), "RNNNNNP2");  // a higher limit lets the cycle go on
    EXPECT_EQ(recorder.Paint(2), "CRNNNNNP1");
}

// Draws x, y, red, green, blue. x and y are the floors, the components the nearest integers
// (ties to even), of exact products: the 2nd row's draws give 16.99999988 and 129.4999998,
// which float products would round to 17 and 129.5.
TEST(Createpoint, PlacesAndColoursEachPointFromItsFiveDraws) {
    const float last = std::nextafter(1.0f, 0.0f);
    const float floors_to_16 = 0x1.222222p-10f, rounds_to_129 = 0x1.040404p-1f;
    const struct {
        float width, height;
        std::vector<float> draws;
        float x, y;
        std::uint32_t colour;
    } rows[] = {{1000, 800, {0.25f, 0.75f, 0.0f, 0.5f, last}, 250, 600, 0xFF8000},
                {15360, 11520, {floors_to_16, floors_to_16, rounds_to_129, 0, 0}, 16, 12, 129},
                {16777215, 16777215, {last, last, 0}, 16777214, 16777214, 0xFFFF00}};
    Recorder recorder;
    for (const auto& row : rows) {
        recorder.width = row.width;
        recorder.height = row.height;
        recorder.draws = row.draws;
        recorder.Paint(30);
        EXPECT_EQ(recorder.x, row.x) << row.width;
        EXPECT_EQ(recorder.y, row.y) << row.height;
        EXPECT_EQ(recorder.colour, row.colour) << row.width;
    }
}

// Five draws after each reseed, as the painter takes them: in [0, 1), reaching both ends,
// each uniform (chi-square over 64 bins below its 1e-10 quantile).
TEST(ClockRandom, EachDrawAfterAReseedIsUniform) {
    std::vector<double> chi_square(5), bins(5 * 64);
    ClockRandom random;
    for (int point = 0; point < 64000; ++point) {
        random.Randomize();
        for (int draw_number = 0; draw_number < 5; ++draw_number) {
            const float draw = random.Next();
            ASSERT_TRUE(draw >= 0 && draw < 1) << draw;
            bins[draw_number * 64 + int(draw * 64)] += 1;
        }
    }
    for (int bin = 0; bin < 5 * 64; ++bin) {
        chi_square[bin / 64] += (bins[bin] - 1000) * (bins[bin] - 1000) / 1000;
    }
    for (const double each : chi_square) EXPECT_LT(each, 162.5);
}

// Moves as x, y and whether the saver closes; a position with x or y 0 counts as none
// recorded. The last row runs in the preview, where nothing closes.
TEST(MouseMoveRule, ClosesOnARealMovementAfterTheFirst) {
    const float right_of_101 = std::nextafter(101.0f, 200.0f);
    const std::vector<std::vector<float>> rows[] = {
        {{100, 100, 0}, {100, 100, 0}, {101, 100, 1}, {101, 99, 1}, {right_of_101, 99, 1}},
        {{0, 10, 0}, {5, 0, 0}, {6, 30, 0}, {7, 30, 1}},
        {{100, 100, 0}, {200, 200, 0}, {0, 0, 0}, {300, 7, 0}}};
    for (const auto& moves : rows) {
        const bool preview = &moves == &rows[std::size(rows) - 1];
        MouseMoveRule rule;
        for (const auto& move : moves) {
            EXPECT_EQ(rule.Move(preview, move[0], move[1]), move[2] == 1)
                << move[0] << ", " << move[1];
        }
    }
}

// A display system of two monitors side by side, the right one at scale 2 and lower; what
// the portable half of the saver window asks of it is written into `journal`.
struct TwoMonitors final : SaverWindowBase, SaverEvents {
    std::string journal;
    TwoMonitors() : SaverWindowBase(static_cast<SaverEvents&>(*this)) {
        SetMonitors({{0, 0, 1024, 768, 1}, {1024, 100, 960, 540, 2}});
    }
    void Form_Click() override { journal += "click "; }
    void Form_KeyPress() override { journal += "key "; }
    void Form_MouseMove(float x, float y) override {
        journal += "move " + std::to_string(int(x)) + "," + std::to_string(int(y)) + " ";
    }
    void Form_Unload() override { journal += "unload "; }
    void Timer1_Timer() override {}
    void OpenWindow(std::int32_t interval) override {
        journal += "open " + std::to_string(interval) + " ";
    }
    void CloseWindow() override { journal += "close "; }
    void ShowPointer(bool show) override { journal += show ? "pointer " : "hidden "; }
    void ClearMonitors() override { journal += "cls "; }
    void DrawDot(std::size_t index, PixelBox box, std::uint32_t) override {
        journal += std::to_string(index) + ":" + std::to_string(box.left) + "," +
                   std::to_string(box.top) + "+" + std::to_string(box.right - box.left) + " ";
    }
    void Show() override {}
    void MakeTopmost() override {}
    bool AttachToPreview(HostHandle) override { return false; }
    void Input() {
        Clicked();
        KeyPressed(0xFFFF, 0x7F);  // Delete
        KeyPressed(0xFFE1, 0);     // Shift
        KeyPressed('a', 'a');
        PointerMoved(1030, 110);
    }
};

// The span is 1984 x 768 units from 0,0; a dot lands on each monitor it touches, with its
// pen and place at that monitor's scale, and on none in the gap below the right one.
TEST(SaverWindowBase, SpansTheMonitorsAndLoadsCountsAndEndsOnce) {
    TwoMonitors window;
    window.Input();  // before the load: nothing
    window.ShowCursor(false);
    window.Load(500);
    EXPECT_TRUE(AnyFormLoaded());
    window.SetDrawWidth(12);
    EXPECT_EQ(window.Width(), 1984 * 15);
    EXPECT_EQ(window.Height(), 768 * 15);
    window.PSet(100 * 15 + 14, 200 * 15, 0);  // inside the left monitor, the unit's floor
    window.PSet(1020 * 15, 150 * 15, 0);      // across the border
    window.PSet(1500 * 15, 700 * 15, 0);      // below the right monitor
    window.Cls();
    window.Input();
    window.ShowCursor(false);
    window.ShowCursor(true);
    window.Unload();
    window.Unload();
    EXPECT_FALSE(AnyFormLoaded());
    EXPECT_EQ(window.journal,
              "open 500 0:94,194+12 0:1014,144+12 1:-20,88+24 cls click key move 15450,1650 "
              "hidden hidden unload close ");
}

TEST(Dialog, ArrowsStepTheLeadingNumberBetweenTheStops) {
    const std::optional<std::wstring> stays;
    const struct {
        std::wstring text;
        std::optional<std::wstring> up, down;
    } rows[] = {{L"200", stays, L"199"},  {L"1", L"2", L"0"},
                {L"0", L"1", stays},      {std::wstring(300, L'x'), L"1", stays},
                {L"12abc", L"13", L"11"}, {L"199.5", L"200.5", L"198.5"},
                {L"0.3", L"1.3", L"-0.7"}};
    for (const auto& row : rows) {
        EXPECT_EQ(StepCount(row.text, Arrow::kUp), row.up) << "up from " << row.text;
        EXPECT_EQ(StepCount(row.text, Arrow::kDown), row.down) << "down from " << row.text;
    }
}

TEST(Dialog, SpeedBarStepsAndHoldsItsRange) {
    using enum ScrollAction;
    const struct {
        int position;
        ScrollAction action;
        int to, expected;
    } rows[] = {{500, kLineLess, 0, 450}, {500, kLineMore, 0, 550}, {500, kPageLess, 0, 300},
                {500, kPageMore, 0, 700}, {120, kLineLess, 0, 100}, {1900, kPageMore, 0, 2000},
                {700, kFirst, 0, 100},    {700, kLast, 0, 2000},    {700, kTo, 1234, 1234}};
    for (const auto& row : rows) {
        EXPECT_EQ(Scrolled(layout::kSpeedScroll, row.position, row.action, row.to), row.expected)
            << "from " << row.position << " by action " << int(row.action);
    }
}

// A rectangle by its named edges, so that a failure says which edge moved.
std::string Edges(const PixelRect& rect) {
    return "left " + std::to_string(rect.left) + ", top " + std::to_string(rect.top) + ", right " +
           std::to_string(rect.right) + ", bottom " + std::to_string(rect.bottom);
}

// At 96 DPI, 15 twips a pixel: a control in a frame is placed from that frame's corner, one
// on the dialog from the client area's.
TEST(Dialog, LayoutPlacesEachControlFromItsFramesCorner) {
    using namespace layout;
    const struct {
        int id;
        PixelRect place;
    } rows[] = {{kDownArrow, {232, 126, 249, 138}},
                {kUpArrow, {232, 114, 249, 126}},
                {kCountFrame, {8, 96, 281, 153}},
                {kSpeedBar, {16, 48, 265, 73}},
                {kOk, {290, 16, 347, 41}}};
    for (const auto& row : rows) {
        const Control& control = *std::ranges::find(kControls, row.id, &Control::id);
        const PixelRect place = ControlPixels({.controls = kControls}, control, 96);
        EXPECT_EQ(Edges(place), Edges(row.place)) << control.name;
    }
}

// Where laid out while the whole window fits on the work area; otherwise centred on it, its
// top-left corner on the area even when the window is larger.
TEST(Dialog, TheWindowStaysOnItsMonitorsWorkArea) {
    const PixelRect screen{0, 0, 1024, 768}, below_a_bar{0, 40, 1024, 768};
    const struct {
        const char* what;
        PixelRect window, area, placed;
    } rows[] = {{"fits", {333, 237, 692, 414}, screen, {333, 237, 692, 414}},
                {"off the right at 150 %", {500, 356, 1036, 636}, screen, {244, 244, 780, 524}},
                {"above the area", {333, 20, 692, 197}, below_a_bar, {332, 315, 691, 492}},
                {"larger than the area", {10, 10, 1110, 910}, screen, {0, 0, 1100, 900}}};
    for (const auto& row : rows) {
        EXPECT_EQ(Edges(PlacedWindow(row.window, row.area)), Edges(row.placed)) << row.what;
    }
}

}  // namespace
}  // namespace glimra
