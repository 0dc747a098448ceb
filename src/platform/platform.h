#pragma once
// The services the program stands on, implemented once per operating system: the
// runtime's process services, the per-user settings store and the message loop. The
// program (start-up and the forms' handlers) is written once over this header,
// surface.h, saver_window.h and dialog_window.h; nothing under platform/ knows the
// program above it.
//
// Texts are UTF-16 on Windows and UTF-32 elsewhere (std::wstring); each platform converts
// at its own boundary.
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/runtime_error.h"

namespace glimra::platform {

// True while another instance of the program runs. The first call takes a per-user
// lock that the process holds until it ends, so two starts at the same moment cannot
// both see "no other". A lock that exists but cannot be had counts as another instance;
// a lock that cannot be made at all (a read-only folder on Linux) is said on stderr, and
// the program runs. `app` is the application the settings are kept under: where a platform
// keeps the lock among the user's files, it keeps it in that application's folder.
bool PrevInstance(std::wstring_view app);

// Ends the process at once, with exit code 0 and no further code of the program run.
[[noreturn]] void End();

// The argument text: the command line without the program's own path and the blanks
// that follow it. Taking the path off is the platform's affair.
std::wstring CommandText();

// The statement box: modal, without an owner, an information icon and an OK button;
// returns when the user closes it.
void MsgBox(std::wstring_view text, std::wstring_view title);

// Per-user text settings: application, section, key. GetSetting gives the stored text,
// or `default_text` when nothing usable is stored. SaveSetting stores the text as it is;
// a refused write raises a RuntimeError (70 for a denied permission).
std::wstring GetSetting(std::wstring_view app, std::wstring_view section, std::wstring_view key,
                        std::wstring_view default_text);
void SaveSetting(std::wstring_view app, std::wstring_view section, std::wstring_view key,
                 std::wstring_view text);

// Runs `body` on the user-interface thread; anything it throws becomes the standard
// run-time error report (the box, owned by the loaded form, then the end of the process
// with the error's number). Start-up and every event handler run through here.
void Guarded(void (*body)(void*), void* context) noexcept;
template <typename Body>
void Guarded(Body&& body) noexcept {
    Guarded([](void* context) { (*static_cast<Body*>(context))(); }, &body);
}

// The windows made from here on draw in the display's own pixels at whatever scale it runs,
// declared before the first window (Windows' per-monitor DPI awareness; nothing where the
// display has no scale of its own to undo).
void DeclareDpiAwareness();

// Delivers events to the loaded form until no form is loaded any more.
void RunMessageLoop();

}  // namespace glimra::platform
