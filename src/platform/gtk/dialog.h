#pragma once
// The settings dialog in GTK 3: a fixed-size window whose controls stand where the
// program's table puts them, in twips turned into pixels at the screen's DPI.
#include <memory>

#include <gtk/gtk.h>

#include "platform/dialog_window.h"

namespace glimra::gtk {

// What the dialog is lent: the count of loaded forms, which its loads and unloads (the close
// box's too) go to. The program's handlers guard themselves, at their own side of the module.
struct DialogHost {
    void (*form_loaded)();
    void (*form_unloaded)();
};

std::unique_ptr<platform::DialogWindow> NewDialog(const platform::DialogSpec& spec,
                                                  platform::DialogEvents& events,
                                                  const DialogHost& host);

// The loaded dialog's window, which owns the run-time error box; null when none is loaded.
GtkWindow* LoadedDialogWindow();

}  // namespace glimra::gtk
