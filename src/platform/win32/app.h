#pragma once
// The runtime services that start-up and the forms use: the previous-instance flag, the
// end of the process, the argument text, the message box, the standard run-time error
// report, and the message loop that runs while a form is loaded.
#include <windows.h>

#include <string>

#include "platform/runtime/runtime_error.h"

namespace glimra::win32 {

// True when another instance runs. The first call takes a named mutex that the process
// holds until it ends, so two starts at the same moment cannot both see "no other".
bool PrevInstance();

[[noreturn]] void End();

// The command line without the program's path and the blanks that follow it.
std::wstring CommandText();

// Modal, with no owner; returns when the user closes it.
int MsgBox(const std::wstring& text, UINT style, const std::wstring& title);

// The standard report of an unhandled error: its number and description in a message
// box, then the process ends.
[[noreturn]] void ReportRuntimeError(const RuntimeError& error);

// Runs `body`, turning anything it throws into the standard report. Every window
// procedure and the start-up go through here, so no exception reaches Win32.
template <typename Body>
auto Guarded(Body&& body) noexcept -> decltype(body());

// Dispatches messages until no form is loaded any more.
void RunMessageLoop();

}  // namespace glimra::win32

#include "platform/win32/app_guarded.inl"
