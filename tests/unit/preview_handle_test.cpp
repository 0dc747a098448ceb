#include "startup/preview_handle.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace glimra {
namespace {

using platform::HostHandle;
using platform::HostHandleForm;

struct HandleCase {
    std::wstring_view argument;
    std::optional<HostHandle> windows;
    std::optional<HostHandle> x11;
};

constexpr std::nullopt_t kNone = std::nullopt;

TEST(PreviewHandle, ReadsTheHandleInEachPlatformsForm) {
    const HandleCase rows[] = {
        {L"/p 1234", 1234, 1234},
        {L"/p\t 66 /x", 66, 66},
        {L"/p 1234.5", 1234, 1234},  // ties go to the even integer
        {L"/p 1235.5", 1236, 1236},
        {L"/p 0.5", kNone, kNone},  // rounds to 0
        {L"/p:1234", kNone, kNone},
        {L"x/p 1234", kNone, kNone},
        {L"/p", kNone, kNone},
        {L"/p 0", kNone, kNone},
        {L"/p -66", -66, kNone},
        {L"/p 2147483647", 2147483647, 2147483647},
        {L"/p 2147483648", -2147483647 - 1, 2147483648},  // unsigned decimal, sign-extended
        {L"/p 4294967295", -1, 4294967295},
        {L"/p 4294967294.5", -2, 4294967294},
        {L"/p 4294967295.5", kNone, kNone},  // rounds to 2^32
        {L"/p 4294967296", kNone, kNone},
        {L"/p 99999999999", kNone, kNone},
        {L"/p -2147483648", -2147483647 - 1, kNone},
        {L"/p -2147483649", kNone, kNone},
        {L"/p 0x1A00007", kNone, 0x1A00007},  // Windows reads the leading 0
        {L"/p  0X1a00007 ", kNone, 0x1A00007},
        {L"/p 0xffffffff", kNone, 4294967295},
        {L"/p 0x100000000", kNone, kNone},
        {L"/p 0x", kNone, kNone},
        {L"/p 0x0", kNone, kNone},
        {L"/p 0xg1", kNone, kNone},
        {L"/p 0x12z", kNone, 0x12},  // the digits stop at the first other character
        {L"/p -0x10", kNone, kNone},
        {L"/p 12x34", 12, 12},
    };
    for (const HandleCase& row : rows) {
        const std::wstring argument(row.argument);
        EXPECT_EQ(PreviewHandle(row.argument, HostHandleForm::kWindows), row.windows)
            << "Windows, argument \"" << argument << "\"";
        EXPECT_EQ(PreviewHandle(row.argument, HostHandleForm::kX11), row.x11)
            << "X11, argument \"" << argument << "\"";
    }
}

}  // namespace
}  // namespace glimra
