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

// What the program's side lends the dialog.
struct DialogHost {
    void (*guard)(void (*body)(void*), void* context);
    void (*form_loaded)();
    void (*form_unloaded)();
};

struct Module {
    // Modal, information icon, OK; returns when it is closed.
    void (*msg_box)(std::wstring_view text, std::wstring_view title);
    // Modal over the loaded form's window, if any; returns when it is closed.
    void (*error_box)(std::wstring_view heading, std::wstring_view description);
    // The dialog runs the program's handlers through the host's guard, and reports its
    // loads and unloads (the close box's too) to the host's count of loaded forms.
    std::unique_ptr<platform::DialogWindow> (*new_dialog)(const platform::DialogSpec& spec,
                                                          platform::DialogEvents& events,
                                                          const DialogHost& host);
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
