#pragma once
// The run-time error of the language runtime: a failing operation raises one, and the
// window layer reports it in the standard error box and ends the process. It never
// crosses into Win32: every window procedure catches it.
#include <string>

namespace glimra::runtime {

struct RuntimeError {
    int number;
    std::wstring description;
};

// The errors this program can raise, with the runtime's numbers.
inline constexpr int kErrInvalidCall = 5;
inline constexpr int kErrOverflow = 6;
inline constexpr int kErrInternal = 51;
inline constexpr int kErrPermissionDenied = 70;

[[noreturn]] void RaiseOverflow();

}  // namespace glimra::runtime
