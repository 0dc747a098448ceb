// The text rules: Val and the conversions, number text in any locale, the command line and
// its grammar with the preview handle, and the stored settings.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <locale>
#include <optional>

#include "platform/runtime/argument_text.h"
#include "platform/runtime/numbers.h"
#include "platform/runtime/runtime_error.h"
#include "startup/command_line.h"
#include "startup/preview_handle.h"
#include "startup/settings_rules.h"

// glibc's newlocale does not free the search path it builds from LOCPATH.
extern "C" const char* __lsan_default_suppressions() { return "leak:argz_add_sep\n"; }

namespace glimra {
namespace {

using Int = std::optional<std::int64_t>;  // nothing: no handle, or the overflow error
constexpr double kInf = HUGE_VAL;
constexpr std::nullopt_t kNo = std::nullopt;
const std::wstring k9s(1 << 20, L'9');

template <typename Call>
Int OrOverflow(Call call) {
    try {
        return call();
    } catch (const RuntimeError& error) {
        return error.number == kErrOverflow ? kNo : Int(-999);
    }
}

// clang-format off
TEST(Numbers, ValCIntAndCLng) {
    const struct { std::wstring text; double value; } vals[] = {
        {L"\t\r\n 7", 7}, {L"+5", 5}, {L"-4.25", -4.25}, {L".5", 0.5}, {L"5.", 5}, {L"-.5", -0.5},
        {L"0012", 12}, {L"1.5.3", 1.5}, {L"50abc", 50}, {L"3-4", 3}, {L"", 0}, {L"-", 0}, {L".", 0},
        {L"+-5", 0}, {L"\u00a05", 0}, {L"\uff15", 0}, {L"1e3", 1}, {L"&H10", 0}, {L"0x1A", 0},
        {L"1 2", 1}, {L"- 5", 0}, {L"12,5", 12}, {L"inf", 0}, {k9s, kInf}, {L"-" + k9s, -kInf},
        {std::wstring(1 << 20, L'0') + L"42", 42}, {L"1." + k9s, 2},
        {L"1" + std::wstring(308, L'0') + L".", 1e308}, {L"1" + std::wstring(309, L'0'), kInf}};
    for (const auto& row : vals) EXPECT_EQ(Val(row.text), row.value) << row.text.substr(0, 9);
    const struct { double value; Int cint, clng; } conversions[] = {
        {12.5, 12, 12}, {13.5, 14, 14}, {-2.5, -2, -2}, {-3.5, -4, -4}, {-0.5, 0, 0},
        {-0.6, -1, -1}, {0.49999999999999994, 0, 0}, {32767.4, 32767, 32767},
        {32767.5, kNo, 32768}, {-32768.5, -32768, -32768}, {-32768.6, kNo, -32769},
        {2147483646.5, kNo, 2147483646}, {2147483647.5, kNo, kNo},
        {-2147483648.5, kNo, -2147483648LL}, {-2147483648.6, kNo, kNo}, {kInf, kNo, kNo},
        {std::nan(""), kNo, kNo}};
    for (const auto& row : conversions) {
        EXPECT_EQ(OrOverflow([&] { return CInt(row.value); }), row.cint) << row.value;
        EXPECT_EQ(OrOverflow([&] { return CLng(row.value); }), row.clng) << row.value;
    }
}

// The build tree holds both locales (LOCPATH); a missing one fails the test.
TEST(Numbers, NumberTextAndValIgnoreTheLocalesSeparator) {
    for (const auto& [name, separator] : {std::pair{"C", "."}, {"de_DE.UTF-8", ","},
                                          {"ps_AF.UTF-8", "\u066b"}}) {
        const std::locale previous = std::locale::global(std::locale(name));
        EXPECT_STREQ(std::localeconv()->decimal_point, separator);
        const struct { double value; std::wstring_view text; } rows[] = {
            {-4, L"-4"}, {200.5, L"200.5"}, {-0.0, L"0"}, {-0.5, L"-0.5"}, {0.1 + 0.2, L"0.3"},
            {0.3 - 1, L"-0.7"}, {2.0 / 3, L"0.666666666666667"}, {1e14, L"100000000000000"},
            {1e15, L"1E+15"}, {1234567, L"1234567"}};
        for (const auto& row : rows) EXPECT_EQ(NumberText(row.value), row.text) << name;
        EXPECT_EQ(Val(L"12.5"), 12.5) << name;
        EXPECT_EQ(Val(L"12,5"), 12) << name;
        std::locale::global(previous);
    }
}

TEST(Grammar, ArgumentTextDropsTheProgramsPath) {
    const std::wstring own[] = {L"C:\\Program Files\\G\\Lumeck.scr", L"C:\\PROGRA~1\\G\\Lumeck.scr"};
    const struct { std::wstring_view line; bool own; std::wstring_view argument; } rows[] = {
        {L"C:\\WINDOWS\\Lumeck.scr /s", 0, L"/s"}, {L"\"C:\\a b\\L.scr\"   \t  /c:1", 0, L"/c:1"},
        {L"Lumeck.scr \t \t/S", 0, L"/S"}, {L"\"C:\\x.scr\"/s", 0, L"/s"},
        {L"Lumeck.scr /s  ", 0, L"/s  "}, {L"Lumeck.scr \"/s\"", 0, L"\"/s\""},
        {L"Lumeck.scr    ", 0, L""}, {L"\"C:\\no end\\Lumeck.scr /s", 0, L""},
        {L"C:\\Program Files\\G\\Lumeck.scr /s", 1, L"/s"},
        {L"c:\\program files\\g\\LUMECK.SCR \t /p 66", 1, L"/p 66"},
        {L"C:\\PROGRA~1\\G\\Lumeck.scr /c", 1, L"/c"},
        {L"\"C:\\Program Files\\G\\Lumeck.scr\"/v", 1, L"/v"},
        {L"C:\\Program Files\\G\\Lumeck.scr", 1, L""},
        {L"C:\\Program Files\\G\\Lumeck.scrx /s", 1, L"Files\\G\\Lumeck.scrx /s"},
        {L"\"C:\\Program Files\\G\\Lumeck.scr /s", 1, L""}};
    for (const auto& row : rows) {
        EXPECT_EQ(row.own ? ArgumentText(row.line, own) : ArgumentText(row.line), row.argument)
            << std::wstring(row.line);
    }
}

// Modes: p preview, s saver, v statement, c settings; then the handle on Windows and X11.
TEST(Grammar, ModeAndPreviewHandleOfEachArgumentText) {
    const struct { std::wstring_view argument; char mode; Int windows, x11; } rows[] = {
        {L"/s", 's', kNo, kNo}, {L"/S", 's', kNo, kNo}, {L"/s ", 'c', kNo, kNo},
        {L" /s", 'c', kNo, kNo}, {L"/sv", 'c', kNo, kNo}, {L"/\uff53", 'c', kNo, kNo},
        {L"/v", 'v', kNo, kNo}, {L"/V", 'v', kNo, kNo}, {L"/v ", 'c', kNo, kNo},
        {L"", 'c', kNo, kNo}, {L"/c:1234", 'c', kNo, kNo}, {L"/P 1234", 'c', 1234, 1234},
        {L"/p 1234", 'p', 1234, 1234}, {L"/p\t 66 /x", 'p', 66, 66}, {L"/p 1234.5", 'p', 1234, 1234},
        {L"/p 1235.5", 'p', 1236, 1236}, {L"/p 0.5", 'p', kNo, kNo}, {L"/p:1234", 'p', kNo, kNo},
        {L"x/p 1234", 'p', kNo, kNo}, {L"/s/p", 'p', kNo, kNo}, {L"/p", 'p', kNo, kNo},
        {L"/p -66", 'p', -66, kNo}, {L"/p 2147483648", 'p', -2147483648LL, 2147483648},
        {L"/p 4294967295", 'p', -1, 4294967295}, {L"/p 4294967294.5", 'p', -2, 4294967294},
        {L"/p 4294967295.5", 'p', kNo, kNo}, {L"/p 99999999999", 'p', kNo, kNo},
        {L"/p -2147483648", 'p', -2147483648LL, kNo}, {L"/p -2147483649", 'p', kNo, kNo},
        {L"/p  0X1a00007 ", 'p', kNo, 0x1A00007}, {L"/p 0xffffffff", 'p', kNo, 4294967295},
        {L"/p 0x100000000", 'p', kNo, kNo}, {L"/p 0x0", 'p', kNo, kNo}, {L"/p 0xg1", 'p', kNo, kNo},
        {L"/p 0x12z", 'p', kNo, 0x12}, {L"/p -0x10", 'p', kNo, kNo}, {L"/p 12x34", 'p', 12, 12}};
    for (const auto& row : rows) {
        const std::wstring text(row.argument);
        EXPECT_EQ("psvc"[static_cast<int>(SelectMode(text))], row.mode) << text;
        EXPECT_EQ(PreviewHandle(text, platform::HostHandleForm::kWindows), row.windows) << text;
        EXPECT_EQ(PreviewHandle(text, platform::HostHandleForm::kX11), row.x11) << text;
    }
}

TEST(Settings, EachRuleTakesTheNearestIntegerInItsRangeOrItsDefault) {
    const SettingRule &n = kPointCountRule, &s = kIntervalRule;
    const struct { const SettingRule& rule; std::wstring stored; int value; } rows[] = {
        {n, L"50", 50}, {n, L"  25 ", 25}, {n, L"50abc", 50}, {n, L"10", 10}, {n, L"200", 200},
        {n, L"9.5", 10}, {n, L"10.4", 10}, {n, L"200.5", 200}, {n, L"200.6", 30}, {n, L"9.4", 30},
        {n, L"abc", 30}, {n, L"", 30}, {n, L"0", 30}, {n, L"201", 30}, {n, L"-5", 30},
        {n, L"11.5", 12}, {n, L"1e2", 30}, {s, L"100", 100}, {s, L"2000", 2000}, {s, L"99", 500},
        {s, L"2001", 500}, {s, L"1500.5", 1500}, {s, L"99.5", 100}, {s, L"2000.6", 500},
        {s, L"fast", 500}, {n, L"32768", 30}, {s, L"-32769", 500}, {n, L"99999999999", 30},
        {s, k9s, 500}, {n, L"-" + k9s, 30}, {s, L"1" + std::wstring(300, L'0'), 500},
        {n, std::wstring(n.default_text), 30}, {s, std::wstring(s.default_text), 500}};
    for (const auto& row : rows) {
        EXPECT_EQ(ApplyRule(row.rule, row.stored), row.value)
            << std::wstring(row.rule.key) << " = " << row.stored.substr(0, 9);
    }
}
// clang-format on

}  // namespace
}  // namespace glimra
