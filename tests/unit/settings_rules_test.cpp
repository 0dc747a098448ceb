#include "startup/settings_rules.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace glimra {
namespace {

struct StoredCase {
    std::wstring_view stored;
    std::int16_t value;
};

void ExpectRule(const SettingRule& rule, const StoredCase& row) {
    EXPECT_EQ(ApplyRule(rule, row.stored), row.value)
        << std::wstring(rule.key) << " = \"" << std::wstring(row.stored) << "\"";
}

TEST(ApplyRule, PointCountTakesTheNearestIntegerInTenToTwoHundred) {
    const StoredCase rows[] = {
        {L"50", 50},  {L"  25 ", 25}, {L"50abc", 50},  {L"10", 10},    {L"200", 200},
        {L"9.5", 10}, {L"10.4", 10},  {L"200.5", 200}, {L"200.6", 30}, {L"9.4", 30},
        {L"abc", 30}, {L"", 30},      {L"0", 30},      {L"9", 30},     {L"201", 30},
        {L"-5", 30},  {L"99999", 30}, {L"11.5", 12},   {L"1e2", 30},   {L"30", 30},
    };
    for (const auto& row : rows) ExpectRule(kPointCountRule, row);
}

TEST(ApplyRule, SpeedTakesTheNearestIntegerInOneHundredToTwoThousand) {
    const StoredCase rows[] = {
        {L"100", 100},     {L"2000", 2000},  {L"300", 300},     {L"99", 500},
        {L"2001", 500},    {L"50", 500},     {L"1500.5", 1500}, {L"99.5", 100},
        {L"2000.5", 2000}, {L"2000.6", 500}, {L"", 500},        {L"fast", 500},
    };
    for (const auto& row : rows) ExpectRule(kIntervalRule, row);
}

// A reader that converted to 16 bits before the range test would raise the overflow error
// on these instead of falling back to the default.
TEST(ApplyRule, ValuesOfAnySizeGiveTheDefaultWithoutOverflow) {
    const std::wstring huge_values[] = {
        L"32767.5",
        L"32768",
        L"-32769",
        L"65536",
        L"99999999999",
        L"1" + std::wstring(300, L'0'),
        L"-1" + std::wstring(300, L'0'),
        std::wstring(1 << 20, L'9'),
        L"-" + std::wstring(1 << 20, L'9'),
    };
    for (const auto& stored : huge_values) {
        ExpectRule(kPointCountRule, {stored, 30});
        ExpectRule(kIntervalRule, {stored, 500});
    }
}

TEST(ApplyRule, TheDefaultTextsGiveTheDefaultValues) {
    for (const SettingRule& rule : {kPointCountRule, kIntervalRule}) {
        EXPECT_EQ(ApplyRule(rule, rule.default_text), rule.default_value) << std::wstring(rule.key);
    }
}

}  // namespace
}  // namespace glimra
