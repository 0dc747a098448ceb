#pragma once
// The process services of the Linux layers: the arguments, the end without a display, and
// the standard run-time error report with the guard that leads to it. The window layers
// above lend the report what it cannot know: the box that shows it, and a saver's grabs to
// give up first.
#include <string>
#include <string_view>

#include "runtime/runtime_error.h"

namespace glimra::posix {

// The arguments as main received them; JoinedArguments gives argv[1..] joined by single
// blanks.
void SetArguments(int argc, char** argv);
std::wstring JoinedArguments();

// Run before the run-time error box is shown, so that a full-screen saver can give up
// its grabs and let the box be used.
void OnBeforeErrorBox(void (*release)());
// The box that shows the report after its line on stderr; without one, the line is all.
void ShowErrorsIn(void (*box)(std::wstring_view heading, std::wstring_view description));

// The standard run-time error report: the box, then the end with the error's number.
[[noreturn]] void ReportRuntimeError(const runtime::RuntimeError& error);

// Runs `body`, turning anything it throws into the standard report.
template <typename Body>
void Guarded(Body&& body) noexcept {
    try {
        body();
    } catch (...) {
        ReportRuntimeError(runtime::CurrentError());
    }
}

// No display to open: one line on stderr, then the end with status 1, nothing shown. The
// saver ends here, and so does the GTK module when GTK finds no display.
[[noreturn]] void EndWithoutDisplay();

}  // namespace glimra::posix
