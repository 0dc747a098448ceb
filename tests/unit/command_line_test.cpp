#include "startup/command_line.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>

#include "platform/runtime/argument_text.h"
#include "platform/runtime/numbers.h"
#include "platform/runtime/runtime_error.h"
#include "test_support.h"

namespace glimra {

// Found by argument-dependent lookup, so that failures name the mode.
[[maybe_unused]] static void PrintTo(Mode mode, std::ostream* out) {
    switch (mode) {
        case Mode::kPreview:
            *out << "preview";
            return;
        case Mode::kFullScreen:
            *out << "full screen";
            return;
        case Mode::kStatement:
            *out << "statement";
            return;
        case Mode::kSettings:
            *out << "settings";
            return;
    }
    *out << "mode " << static_cast<int>(mode);
}

namespace {

using test::RaisedError;

struct LineCase {
    std::wstring_view command_line;
    std::wstring_view argument;
};

TEST(ArgumentText, DropsTheProgramPathAndTheBlanksAfterIt) {
    const LineCase rows[] = {
        {L"C:\\WINDOWS\\Lumeck.scr /s", L"/s"},
        {L"C:\\WINDOWS\\LUMECK~1.SCR /p 66", L"/p 66"},
        {L"\"C:\\Program Files\\Glimra\\Lumeck.scr\" /p 1234", L"/p 1234"},
        {L"\"C:\\a b\\Lumeck.scr\"   \t  /c:1234", L"/c:1234"},
        {L"Lumeck.scr\t/s", L"/s"},
        {L"Lumeck.scr \t \t/S", L"/S"},
        {L"\"C:\\x.scr\"/s", L"/s"},  // the path ends at its closing quote
        {L"Lumeck.scr /s /x", L"/s /x"},
        {L"Lumeck.scr /s  ", L"/s  "},  // the argument's own trailing blanks stay
        {L"Lumeck.scr \"/s\"", L"\"/s\""},
        {L"Lumeck.scr", L""},
        {L"Lumeck.scr    ", L""},
        {L"\"C:\\a b\\Lumeck.scr\"", L""},
        {L"\"C:\\a b\\Lumeck.scr\"  ", L""},
        {L"", L""},
        {L"\"C:\\no end\\Lumeck.scr /s", L""},  // no closing quote: all of it is the path
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ArgumentText(row.command_line), row.argument)
            << "command line \"" << std::wstring(row.command_line) << "\"";
    }
}

TEST(ArgumentText, DropsTheProgramsOwnPathInAnyOfItsForms) {
    const std::wstring paths[] = {L"C:\\Program Files\\Glimra\\Lumeck.scr",
                                  L"C:\\PROGRA~1\\Glimra\\Lumeck.scr"};
    const LineCase rows[] = {
        {L"C:\\Program Files\\Glimra\\Lumeck.scr /s", L"/s"},
        {L"c:\\program files\\glimra\\LUMECK.SCR \t /p 66", L"/p 66"},
        {L"C:\\PROGRA~1\\Glimra\\Lumeck.scr /c", L"/c"},
        {L"\"C:\\Program Files\\Glimra\\Lumeck.scr\"/v", L"/v"},
        {L"C:\\Program Files\\Glimra\\Lumeck.scr", L""},
        // Not the path itself: the rule without it.
        {L"C:\\Program Files\\Glimra\\Lumeck.scrx /s", L"Files\\Glimra\\Lumeck.scrx /s"},
        {L"\"C:\\Program Files\\Glimra\\Lumeck.scr /s", L""},
        {L"Lumeck.scr /s", L"/s"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ArgumentText(row.command_line, paths), row.argument)
            << "command line \"" << std::wstring(row.command_line) << "\"";
    }
}

struct ModeCase {
    std::wstring_view argument;
    Mode mode;
};

TEST(SelectMode, FollowsTheGrammar) {
    const ModeCase rows[] = {
        {L"/s", Mode::kFullScreen},    {L"/S", Mode::kFullScreen},    {L"/s ", Mode::kSettings},
        {L" /s", Mode::kSettings},     {L"/s /x", Mode::kSettings},   {L"/sv", Mode::kSettings},
        {L"s", Mode::kSettings},       {L"\\s", Mode::kSettings},     {L"/p 1234", Mode::kPreview},
        {L"/p", Mode::kPreview},       {L"/P 1234", Mode::kSettings}, {L"/s/p", Mode::kPreview},
        {L"x/p", Mode::kPreview},      {L"/c /p 5", Mode::kPreview},  {L"/v", Mode::kStatement},
        {L"/V", Mode::kStatement},     {L"/v ", Mode::kSettings},     {L"", Mode::kSettings},
        {L"/c", Mode::kSettings},      {L"/c:1234", Mode::kSettings}, {L"/a", Mode::kSettings},
        {L"/\uff53", Mode::kSettings},  // full-width s
    };
    for (const auto& row : rows) {
        EXPECT_EQ(SelectMode(row.argument), row.mode)
            << "argument \"" << std::wstring(row.argument) << "\"";
    }
}

TEST(SelectMode, WorksOnWhatArgumentTextLeaves) {
    EXPECT_EQ(SelectMode(ArgumentText(L"\"C:\\a b\\Lumeck.scr\" /S")), Mode::kFullScreen);
    EXPECT_EQ(SelectMode(ArgumentText(L"Lumeck.scr\t\t/v")), Mode::kStatement);
    EXPECT_EQ(SelectMode(ArgumentText(L"C:\\s\\p\\Lumeck.scr /c")), Mode::kSettings);
    EXPECT_EQ(SelectMode(ArgumentText(L"\"C:\\a/p\\Lumeck.scr\" /c")), Mode::kSettings);
}

// The parent handle as the preview reads it: Val of the handle text, then the nearest
// 32-bit integer.
std::int32_t ParentHandle(std::wstring_view argument) {
    return CLng(Val(PreviewHandleText(argument)));
}

struct HandleCase {
    std::wstring_view argument;
    std::int32_t handle;
};

TEST(PreviewHandleText, DropsTheFirstTwoCharacters) {
    EXPECT_EQ(PreviewHandleText(L"/p 1234"), L" 1234");
    EXPECT_EQ(PreviewHandleText(L"x/p 1234"), L"p 1234");
    EXPECT_EQ(PreviewHandleText(L"/p"), L"");
}

TEST(PreviewHandle, ReadsTheNumberAfterTheFirstTwoCharacters) {
    const HandleCase rows[] = {
        {L"/p 1234", 1234},
        {L"/p:1234", 0},
        {L"/p", 0},
        {L"x/p 1234", 0},
        {L"/p 1234.5", 1234},
        {L"/p 1235.5", 1236},
        {L"/p\t 66 /x", 66},
        {L"/p -66", -66},
        {L"/p 2147483647", 2147483647},
        {L"/p -2147483648", -2147483647 - 1},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ParentHandle(row.argument), row.handle)
            << "argument \"" << std::wstring(row.argument) << "\"";
    }
}

TEST(PreviewHandle, BeyondThirtyTwoBitsRaisesOverflow) {
    for (const std::wstring_view argument :
         {L"/p 99999999999", L"/p 2147483648", L"/p -2147483649", L"/p 2147483647.5"}) {
        EXPECT_EQ(RaisedError([&] { (void)ParentHandle(argument); }), kErrOverflow)
            << "argument \"" << std::wstring(argument) << "\"";
    }
}

}  // namespace
}  // namespace glimra
