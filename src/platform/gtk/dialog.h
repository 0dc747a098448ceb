#pragma once
// The settings dialog in GTK 3: a fixed-size window whose controls stand where the
// program's table puts them, in twips turned into pixels at the screen's DPI.
#include <memory>

#include <gtk/gtk.h>

#include "platform/dialog_window.h"
#include "platform/gtk/module.h"

namespace glimra::gtk {

std::unique_ptr<platform::DialogWindow> NewDialog(const platform::DialogSpec& spec,
                                                  platform::DialogEvents& events,
                                                  const DialogHost& host);

// The loaded dialog's window, which owns the run-time error box; null when none is loaded.
GtkWindow* LoadedDialogWindow();

}  // namespace glimra::gtk
