#pragma once
// The GTK half of the Linux layer: the settings dialog, the statement box and the
// run-time error box. It is built as a module of its own and loaded on first need, so
// that the saver and the display mode never load GTK: a saver starts as fast as a bare
// Xlib window.
//
// Both sides are built from this tree by the same compiler, so C++ types may cross; no
// exception does. Every program handler that the dialog calls runs through `guard`,
// which turns anything it throws into the run-time error report.
#include <memory>
#include <string_view>

#include "platform/dialog_window.h"

namespace glimra::gtk {

struct Module {
    // Modal, information icon, OK; returns when it is closed.
    void (*msg_box)(std::wstring_view text, std::wstring_view title);
    // Modal over the loaded form's window, if any; returns when it is closed.
    void (*error_box)(std::wstring_view heading, std::wstring_view description);
    // `closed` runs when the user closes the dialog by its close box: the dialog has then
    // unloaded itself, without the owner's Unload, and the owner counts it as gone.
    std::unique_ptr<platform::DialogWindow> (*new_dialog)(const platform::DialogSpec& spec,
                                                          platform::DialogEvents& events,
                                                          void (*guard)(void (*)(void*), void*),
                                                          void (*closed)());
};

// The module's one entry point, looked up by name after dlopen.
using ModuleEntry = const Module* (*)();
inline constexpr const char* kModuleEntryName = "glimra_gtk_module";
inline constexpr const char* kModuleFileName = "lumeck-gtk.so";

// Loads the module on first use: beside the executable (the build tree), then in
// ../../lib/lumeck relative to it (an installed tree keeps the executable in
// libexec/xscreensaver). Raises a RuntimeError when it cannot; when GTK finds no display,
// the process ends with that said on stderr.
const Module& LoadedModule();

}  // namespace glimra::gtk
