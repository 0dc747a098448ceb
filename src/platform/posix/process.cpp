// The process services of the Linux layers: the argument text, the run-time error report
// and the end without a display.
#include "platform/posix/process.h"

#include <unistd.h>

#include <cstdio>

#include "platform/posix/text.h"

namespace glimra::posix {

namespace {

int g_argc = 0;
char** g_argv = nullptr;
void (*g_release_input)() = nullptr;
void (*g_error_box)(std::wstring_view heading, std::wstring_view description) = nullptr;

}  // namespace

void SetArguments(int argc, char** argv) {
    g_argc = argc;
    g_argv = argv;
}

std::wstring JoinedArguments() {
    std::string text;
    for (int i = 1; i < g_argc; ++i) {
        if (i > 1) text += ' ';
        text += g_argv[i];
    }
    return FromUtf8(text);
}

void OnBeforeErrorBox(void (*release)()) { g_release_input = release; }

void ShowErrorsIn(void (*box)(std::wstring_view heading, std::wstring_view description)) {
    g_error_box = box;
}

// The description also goes to stderr: a display mode's host logs it, and without the GTK
// module it is the only report.
void ReportRuntimeError(const runtime::RuntimeError& error) {
    if (g_release_input != nullptr) g_release_input();
    std::fprintf(stderr, "lumeck: run-time error %d: %s\n", error.number,
                 ToUtf8(error.description()).c_str());
    if (g_error_box != nullptr) {
        try {
            g_error_box(runtime::ErrorHeading(error.number), error.description());
        } catch (...) {
        }
    }
    std::fflush(stderr);
    _exit(error.number);
}

void EndWithoutDisplay() {
    std::fputs(
        "lumeck: no display: neither WAYLAND_DISPLAY nor DISPLAY names one that can be "
        "opened\n",
        stderr);
    _exit(1);
}

}  // namespace glimra::posix
