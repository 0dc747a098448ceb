#pragma once
// The run-time errors of the language runtime, named once: a failing operation raises one,
// and the platform reports it in the standard error box and ends the process. Anything
// else thrown stands for one of them, so no exception leaves the program's handlers.
#include <string>
#include <string_view>

namespace glimra::runtime {

inline constexpr int kErrInvalidCall = 5;
inline constexpr int kErrOverflow = 6;
inline constexpr int kErrOutOfMemory = 7;
inline constexpr int kErrLoadingLibrary = 48;
inline constexpr int kErrInternal = 51;
inline constexpr int kErrPermissionDenied = 70;

struct RuntimeError {
    int number;
    std::wstring_view description() const;  // the runtime's own text for the number
};

[[noreturn]] void Raise(int number);

// The run-time error that the exception being handled stands for: a RuntimeError is
// itself, running out of memory is 7, anything else 51. Only inside a catch block.
RuntimeError CurrentError() noexcept;

// The standard error box's first line: "运行时错误 'n':".
std::wstring ErrorHeading(int number);

}  // namespace glimra::runtime
