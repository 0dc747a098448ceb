// The module's entry point: GTK starts here, on the first need of a dialog or a box.
#include "platform/gtk/module.h"

#include <gtk/gtk.h>

#include "platform/gtk/boxes.h"
#include "platform/gtk/dialog.h"

namespace {

const glimra::gtk::Module kModule{glimra::gtk::MsgBox, glimra::gtk::ErrorBox,
                                  glimra::gtk::NewDialog};

}  // namespace

// Null when GTK cannot start (no display to open).
extern "C" __attribute__((visibility("default"))) const glimra::gtk::Module* glimra_gtk_module() {
    static const bool started = [] {
        if (!gtk_init_check(nullptr, nullptr)) return false;
        // A click in the speed bar's track moves it by a page rather than jumping to the
        // pointer, and every step lands at once: an animated step is cut short when the
        // button comes up before the animation ends.
        g_object_set(gtk_settings_get_default(), "gtk-primary-button-warps-slider", FALSE,
                     "gtk-enable-animations", FALSE, nullptr);
        return true;
    }();
    return started ? &kModule : nullptr;
}
