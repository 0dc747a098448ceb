#pragma once
// What the Win32 layer's window procedures share with the process services: the standard
// run-time error report, and the guard that turns anything a handler throws into it.
#include <windows.h>

#include "runtime/runtime_error.h"

namespace glimra::win32 {

// The standard report of an unhandled error: its number and description in a message
// box owned by the loaded form, then the process ends with the error's number.
[[noreturn]] void ReportRuntimeError(const runtime::RuntimeError& error);

// Runs `body`, turning anything it throws into the standard report, so that no exception
// reaches Win32. Every window procedure goes through here.
template <typename Body>
auto Guarded(Body&& body) noexcept -> decltype(body()) {
    try {
        return body();
    } catch (...) {
        ReportRuntimeError(runtime::CurrentError());
    }
}

}  // namespace glimra::win32
