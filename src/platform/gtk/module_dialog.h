#pragma once
// The program's side of the GTK module's dialog: NewDialogWindow makes one over the loaded
// module.
#include <memory>

#include "platform/dialog_window.h"
#include "platform/gtk/module.h"

namespace glimra::gtk {

std::unique_ptr<platform::DialogWindow> NewModuleDialog(const GlimraModule& module,
                                                        const platform::DialogSpec& spec,
                                                        platform::DialogEvents& events);

}  // namespace glimra::gtk
