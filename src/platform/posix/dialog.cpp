// The settings dialog on Linux is the GTK module's; this side lends it the run-time error
// guard and the count of loaded forms.
#include "platform/dialog_window.h"
#include "platform/forms.h"
#include "platform/gtk/module.h"
#include "platform/platform.h"

namespace glimra::platform {

std::unique_ptr<DialogWindow> NewDialogWindow(const DialogSpec& spec, DialogEvents& events) {
    static constexpr gtk::DialogHost kHost{&Guarded, &FormLoaded, &FormUnloaded};
    return gtk::LoadedModule().new_dialog(spec, events, kHost);
}

}  // namespace glimra::platform
