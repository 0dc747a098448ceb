// The runtime's process services on Linux: the instance lock, the end, the argument text,
// the run-time error report and the GLib loop that runs while a form is loaded.
#include "platform/posix/process.h"

#include <glib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/forms.h"
#include "platform/gtk/module.h"
#include "platform/platform.h"
#include "platform/posix/instance_lock.h"
#include "platform/posix/saver_loop.h"
#include "platform/posix/settings_store.h"
#include "platform/posix/text.h"

namespace glimra::posix {

namespace {

int g_argc = 0;
char** g_argv = nullptr;
void (*g_release_input)() = nullptr;

}  // namespace

void SetArguments(int argc, char** argv) {
    g_argc = argc;
    g_argv = argv;
}

void OnBeforeErrorBox(void (*release)()) { g_release_input = release; }

// The description also goes to stderr: a display mode's host logs it, and without the GTK
// module it is the only report.
void ReportRuntimeError(const runtime::RuntimeError& error) {
    if (g_release_input != nullptr) g_release_input();
    std::fprintf(stderr, "lumeck: run-time error %d: %s\n", error.number,
                 ToUtf8(error.description()).c_str());
    try {
        const std::wstring heading = runtime::ErrorHeading(error.number);
        const std::wstring_view description = error.description();
        gtk::LoadedModule().error_box({heading.data(), heading.size()},
                                      {description.data(), description.size()});
    } catch (...) {
    }
    std::fflush(stderr);
    _exit(error.number);
}

}  // namespace glimra::posix

namespace glimra::platform {

// One lock per user and machine: in the user's runtime folder, /run/user/<uid>, when the
// login manager made one, otherwise beside the settings under the user's own home
// (${XDG_CONFIG_HOME:-$HOME/.config}/Vestrel/lumeck.lock). Every start of the user finds
// the same one, with or without XDG_RUNTIME_DIR, and no other user can make, hold or
// replace it (a shared /tmp gave other users that power). A lock that cannot be had for
// another reason than another instance (a read-only settings folder) is said on stderr,
// and the program runs without it: refusing would leave that user with neither a saver
// nor the dialog.
bool PrevInstance() {
    static const bool previous = [] {
        const std::string file = posix::SettingsFile("Vestrel");
        const std::string lock = posix::LockFile("/run/user", file.substr(0, file.rfind('/')));
        const posix::LockResult result = posix::TakeLock(lock);
        if (result == posix::LockResult::kUnavailable) {
            std::fprintf(stderr, "lumeck: cannot take the instance lock %s: %s\n", lock.c_str(),
                         std::strerror(errno));
        }
        return result == posix::LockResult::kHeld;
    }();
    return previous;
}

void End() { _exit(0); }

std::wstring CommandText() {
    std::string text;
    for (int i = 1; i < posix::g_argc; ++i) {
        if (i > 1) text += ' ';
        text += posix::g_argv[i];
    }
    return posix::FromUtf8(text);
}

void MsgBox(std::wstring_view text, std::wstring_view title) {
    gtk::LoadedModule().msg_box({text.data(), text.size()}, {title.data(), title.size()});
}

std::wstring GetSetting(std::wstring_view app, std::wstring_view section, std::wstring_view key,
                        std::wstring_view default_text) {
    return posix::ReadSetting(posix::SettingsFile(posix::ToUtf8(app)), posix::ToUtf8(section),
                              posix::ToUtf8(key), default_text);
}

void SaveSetting(std::wstring_view app, std::wstring_view section, std::wstring_view key,
                 std::wstring_view text) {
    posix::WriteSetting(posix::SettingsFile(posix::ToUtf8(app)), posix::ToUtf8(section),
                        posix::ToUtf8(key), text);
}

void Guarded(void (*body)(void*), void* context) noexcept {
    try {
        body(context);
    } catch (...) {
        posix::ReportRuntimeError(runtime::CurrentError());
    }
}

// X11 hands every client the screen's own pixels.
void DeclareDpiAwareness() {}

// The saver has its own loop; GLib's serves the dialog.
void RunMessageLoop() {
    while (AnyFormLoaded()) {
        if (posix::SaverLoopRunning()) {
            posix::RunSaverLoopOnce();
        } else {
            g_main_context_iteration(nullptr, TRUE);
        }
    }
}

}  // namespace glimra::platform
