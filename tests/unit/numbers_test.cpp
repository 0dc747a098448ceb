#include "platform/runtime/numbers.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <locale>
#include <stdexcept>
#include <string>

#include "platform/runtime/runtime_error.h"
#include "test_support.h"

// glibc's newlocale does not free the search path it builds from LOCPATH; the leak is the
// C library's, and only the locale tests provoke it.
extern "C" const char* __lsan_default_suppressions() { return "leak:argz_add_sep\n"; }

namespace glimra {
namespace {

using test::RaisedError;

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct ValCase {
    std::wstring_view text;
    double value;
};

void ExpectVal(const ValCase& row) {
    EXPECT_EQ(Val(row.text), row.value) << "Val(\"" << std::wstring(row.text) << "\")";
}

TEST(Val, ReadsBlanksSignDigitsAndOnePeriod) {
    const ValCase rows[] = {
        {L"30", 30},        {L"  25 ", 25},    {L"\t\r\n 7", 7},  {L"+5", 5},
        {L"-4", -4},        {L"-4.25", -4.25}, {L"200.5", 200.5}, {L"0.1", 0.1},
        {L".5", 0.5},       {L"5.", 5},        {L"-.5", -0.5},    {L"0012", 12},
        {L"-007.50", -7.5}, {L"000.25", 0.25}, {L"1.5.3", 1.5},   {L"50abc", 50},
        {L"12abc", 12},     {L"9.5x", 9.5},    {L"3-4", 3},       {L"7+", 7},
    };
    for (const auto& row : rows) ExpectVal(row);
}

// A no-break space is no blank, and a full-width digit no digit.
TEST(Val, TextWithoutANumberReadsZero) {
    const ValCase rows[] = {
        {L"", 0},   {L"   ", 0}, {L"abc", 0}, {L"-", 0},  {L"+", 0},       {L".", 0},
        {L"-.", 0}, {L"+-5", 0}, {L"--5", 0}, {L"x5", 0}, {L"\u00a05", 0}, {L"\uff15", 0},
    };
    for (const auto& row : rows) ExpectVal(row);
}

// The notations the reader does not take: each stops the reading where it starts.
TEST(Val, ExponentsRadixPrefixesAndInnerBlanksStopTheReading) {
    const ValCase rows[] = {
        {L"1e3", 1},   {L"1E3", 1},  {L"2.5e-1", 2.5}, {L"1d2", 1}, {L"&H10", 0},
        {L"&O17", 0},  {L"0x1A", 0}, {L"1 2", 1},      {L"- 5", 0}, {L"12,5", 12},
        {L"1_000", 1}, {L"inf", 0},  {L"nan", 0},
    };
    for (const auto& row : rows) ExpectVal(row);
}

TEST(Val, LongDigitRunsNeitherCrashNorLoseTheValue) {
    const std::wstring nines(1 << 20, L'9');
    EXPECT_EQ(Val(nines), kInfinity);
    EXPECT_EQ(Val(L"-" + nines), -kInfinity);
    EXPECT_EQ(Val(std::wstring(1 << 20, L'0') + L"42"), 42);
    EXPECT_EQ(Val(L"0." + std::wstring(1 << 20, L'0') + L"1"), 0);
    EXPECT_EQ(Val(L"1." + nines), 2);  // 1.999... rounds to the nearest double, 2
    EXPECT_EQ(Val(L"1" + std::wstring(300, L'0')), 1e300);
    EXPECT_EQ(Val(L"1" + std::wstring(308, L'0') + L"."), 1e308);
    EXPECT_EQ(Val(L"1" + std::wstring(309, L'0')), kInfinity);
}

// Sets the process's C and C++ locales for one scope.
class ScopedLocale {
  public:
    explicit ScopedLocale(const char* name) {
        try {
            previous_ = std::locale::global(std::locale(name));
            active_ = true;
        } catch (const std::runtime_error&) {
            active_ = false;
        }
    }
    ScopedLocale(const ScopedLocale&) = delete;
    ScopedLocale& operator=(const ScopedLocale&) = delete;
    ~ScopedLocale() {
        if (active_) std::locale::global(previous_);
    }
    bool active() const { return active_; }

  private:
    std::locale previous_;
    bool active_ = false;
};

void ExpectLocaleIndependent() {
    EXPECT_EQ(Val(L"12.5"), 12.5);
    EXPECT_EQ(Val(L"12,5"), 12);
    EXPECT_EQ(Val(L"1.234,5"), 1.234);
    EXPECT_EQ(NumberText(200.5), L"200.5");
    EXPECT_EQ(NumberText(-0.5), L"-0.5");
    EXPECT_EQ(NumberText(1234567), L"1234567");  // no thousands separator
}

// Runs the checks in the first of the named locales that the machine has, after making
// sure that it really uses the given decimal separator.
void ExpectIndependentOf(std::initializer_list<const char*> names, const char* separator) {
    for (const char* name : names) {
        ScopedLocale locale(name);
        if (!locale.active()) continue;
        ASSERT_STREQ(std::localeconv()->decimal_point, separator) << name;
        ExpectLocaleIndependent();
        return;
    }
    GTEST_SKIP() << "none of the locales is available";
}

TEST(NumbersInALocale, ACommaDecimalSeparatorChangesNothing) {
    ExpectIndependentOf({"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "nl_NL.UTF-8"}, ",");
}

TEST(NumbersInALocale, AnArabicDecimalSeparatorChangesNothing) {
    ExpectIndependentOf({"ps_AF.UTF-8", "ps_AF.utf8"}, "\u066b");
}

TEST(NumbersInALocale, CUtf8ChangesNothing) {
    ScopedLocale locale("C.UTF-8");
    ASSERT_TRUE(locale.active());
    ExpectLocaleIndependent();
}

struct RoundCase {
    double value;
    std::int32_t nearest;
};

TEST(CInt, RoundsToTheNearestIntegerWithTiesToEven) {
    const RoundCase rows[] = {
        {12.5, 12},
        {13.5, 14},
        {-2.5, -2},
        {-3.5, -4},
        {0.5, 0},
        {1.5, 2},
        {-0.5, 0},
        {-0.6, -1},
        {2.4999, 2},
        {2.5000001, 3},
        {0.49999999999999994, 0},  // floor(x + 0.5) would give 1
        {32767.4, 32767},
        {32766.5, 32766},
        {-32768.5, -32768},
        {-32768.4, -32768},
        {-32767.5, -32768},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(CInt(row.value), row.nearest) << row.value;
    }
}

TEST(CInt, RaisesOverflowBeyondSixteenBitsAndForNaN) {
    for (const double value :
         {32767.5, 32768.0, -32768.6, -32769.0, 1e10, -1e300, kInfinity, -kInfinity, kNaN}) {
        EXPECT_EQ(RaisedError([&] { (void)CInt(value); }), kErrOverflow) << value;
    }
}

TEST(CLng, RoundsToTheNearestIntegerWithTiesToEven) {
    const RoundCase rows[] = {
        {12.5, 12},
        {13.5, 14},
        {-2.5, -2},
        {1234.5, 1234},
        {1235.5, 1236},
        {99999.5, 100000},  // beyond 16 bits
        {2147483647.4, 2147483647},
        {2147483646.5, 2147483646},
        {-2147483648.5, -2147483648},
        {-2147483648.4, -2147483648},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(CLng(row.value), row.nearest) << row.value;
    }
}

TEST(CLng, RaisesOverflowBeyondThirtyTwoBitsAndForNaN) {
    for (const double value : {2147483647.5, 2147483648.0, -2147483648.6, -2147483649.0,
                               99999999999.0, 1e300, kInfinity, -kInfinity, kNaN}) {
        EXPECT_EQ(RaisedError([&] { (void)CLng(value); }), kErrOverflow) << value;
    }
}

struct TextCase {
    double value;
    std::wstring_view text;
};

TEST(NumberText, WritesTheGeneralDecimalForm) {
    const TextCase rows[] = {
        {30, L"30"},
        {31, L"31"},
        {-4, L"-4"},
        {200.5, L"200.5"},
        {0, L"0"},
        {-0.0, L"0"},
        {-0.5, L"-0.5"},
        {0.1 + 0.2, L"0.3"},  // 0.30000000000000004 at 15 significant digits
        {0.1 + 1, L"1.1"},    // 1.1000000000000001
        {0.3 - 1, L"-0.7"},   // -0.69999999999999996
        {2.0 / 3, L"0.666666666666667"},
        {123456.789, L"123456.789"},
        {1e14, L"100000000000000"},
        {1e15, L"1E+15"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(NumberText(row.value), row.text) << row.value;
    }
}

}  // namespace
}  // namespace glimra
