#include "settings/stepping.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace glimra {
namespace {

struct StepCase {
    std::wstring text;
    std::optional<std::wstring> up;  // nothing: the text stays as it is
    std::optional<std::wstring> down;
};

TEST(StepCount, StepsTheLeadingNumberBetweenTheStops) {
    const std::wstring letters(300, L'x');
    const StepCase rows[] = {
        {L"30", L"31", L"29"},
        {L"199", L"200", L"198"},
        {L"200", std::nullopt, L"199"},
        {L"250", std::nullopt, L"249"},
        {L"10", L"11", L"9"},  // down goes on below the 10 the label names
        {L"1", L"2", L"0"},
        {L"0", L"1", std::nullopt},
        {L"", L"1", std::nullopt},
        {L"abc", L"1", std::nullopt},
        {L"12abc", L"13", L"11"},
        {L"  30 ", L"31", L"29"},
        {L"-5", L"-4", std::nullopt},
        {L"199.5", L"200.5", L"198.5"},  // the stop tests the number before the step
        {L"200.5", std::nullopt, L"199.5"},
        {L"0.5", L"1.5", L"-0.5"},
        {L"-0.5", L"0.5", std::nullopt},
        {L"11.5", L"12.5", L"10.5"},
        {L"0.1", L"1.1", L"-0.9"},  // 15 significant digits hide the binary error
        {L"0.3", L"1.3", L"-0.7"},
        {L"1e3", L"2", L"0"},
        {letters, L"1", std::nullopt},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(StepCount(row.text, Arrow::kUp), row.up) << "up from \"" << row.text << "\"";
        EXPECT_EQ(StepCount(row.text, Arrow::kDown), row.down)
            << "down from \"" << row.text << "\"";
    }
}

}  // namespace
}  // namespace glimra
