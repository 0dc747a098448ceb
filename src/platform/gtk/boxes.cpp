#include "platform/gtk/boxes.h"

#include <string>

#include <gtk/gtk.h>

#include "platform/gtk/dialog.h"
#include "platform/posix/text.h"

namespace glimra::gtk {

namespace {

// Runs a message box modally and returns when it is closed, by OK or otherwise.
void RunBox(GtkWindow* owner, GtkMessageType type, const std::string& title,
            const std::string& text, const std::string& detail) {
    GtkWidget* box =
        gtk_message_dialog_new(owner, GTK_DIALOG_MODAL, type, GTK_BUTTONS_OK, "%s", text.c_str());
    if (!detail.empty()) {
        gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(box), "%s", detail.c_str());
    }
    gtk_window_set_title(GTK_WINDOW(box), title.c_str());
    atk_object_set_name(gtk_widget_get_accessible(box), title.c_str());  // not "Information"
    gtk_window_set_position(GTK_WINDOW(box),
                            owner ? GTK_WIN_POS_CENTER_ON_PARENT : GTK_WIN_POS_CENTER);
    gtk_dialog_run(GTK_DIALOG(box));
    gtk_widget_destroy(box);
    while (gtk_events_pending()) gtk_main_iteration();  // let the box leave the screen
}

}  // namespace

void MsgBox(std::wstring_view text, std::wstring_view title) {
    RunBox(nullptr, GTK_MESSAGE_INFO, posix::ToUtf8(title), posix::ToUtf8(text), "");
}

// Modal over the loaded dialog, which takes no input while the box shows.
void ErrorBox(std::wstring_view heading, std::wstring_view description) {
    GtkWindow* owner = LoadedDialogWindow();
    if (owner) gtk_widget_set_sensitive(GTK_WIDGET(owner), FALSE);
    RunBox(owner, GTK_MESSAGE_ERROR, "Lumeck", posix::ToUtf8(heading), posix::ToUtf8(description));
    if (owner) gtk_widget_set_sensitive(GTK_WIDGET(owner), TRUE);
}

}  // namespace glimra::gtk
