// The process services of platform.h on Linux: the instance lock, the end, the argument
// text, the statement box, the settings, the guard and the loop that runs while a form is
// loaded.
#include <glib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/forms.h"
#include "platform/gtk/module.h"
#include "platform/platform.h"
#include "platform/posix/instance_lock.h"
#include "platform/posix/process.h"
#include "platform/posix/saver_loop.h"
#include "platform/posix/settings_store.h"
#include "platform/posix/text.h"

namespace glimra::platform {

// One lock per user and machine: in the user's runtime folder, /run/user/<uid>, when the
// login manager made one, otherwise beside the application's settings under the user's own
// home. Every start of the user finds the same one, with or without XDG_RUNTIME_DIR, and no
// other user can make, hold or replace it (a shared /tmp gave other users that power). A
// lock that cannot be had for another reason than another instance (a read-only settings
// folder) is said on stderr, and the program runs without it: refusing would leave that
// user with neither a saver nor the dialog.
bool PrevInstance(std::wstring_view app) {
    static const bool previous = [app] {
        const std::string lock =
            posix::LockFile("/run/user", posix::SettingsFolder(posix::ToUtf8(app)));
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

std::wstring CommandText() { return posix::JoinedArguments(); }

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
    posix::Guarded([&] { body(context); });
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
