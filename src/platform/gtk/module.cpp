// The module's side of the C boundary: GTK starts here, on the first need of a dialog or a
// box, and each entry point turns the C structs back into the dialog's own types.
#include "platform/gtk/module.h"

#include <gtk/gtk.h>

#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "platform/dialog_window.h"
#include "platform/gtk/boxes.h"
#include "platform/gtk/dialog.h"

// The dialog, the table it was made from, and the program's handlers behind it.
struct GlimraDialog final : glimra::platform::DialogEvents {
    std::vector<glimra::platform::ControlSpec> controls;
    glimra::platform::DialogSpec spec;
    GlimraDialogHost host;
    std::unique_ptr<glimra::platform::DialogWindow> window;

    void Form_Load() override { host.form_load(host.events); }
    void Control_Click(int control) override { host.control_click(host.events, control); }
};

namespace glimra::gtk {

namespace {

std::wstring_view View(GlimraText text) { return {text.data, text.size}; }
std::span<const unsigned char> View(GlimraBytes bytes) { return {bytes.data, bytes.size}; }

GlimraDialog* NewDialogFor(const GlimraDialogSpec* spec, const GlimraDialogHost* host) noexcept
    try {
    auto dialog = std::make_unique<GlimraDialog>();
    for (const GlimraControl& c : std::span(spec->controls, spec->control_count)) {
        dialog->controls.push_back(
            {.name = {c.name, c.name_size},
             .id = c.id,
             .kind = static_cast<platform::ControlKind>(c.kind),
             .container = c.container,
             .left = c.left,
             .top = c.top,
             .width = c.width,
             .height = c.height,
             .caption = View(c.caption),
             .font = static_cast<platform::ControlFont>(c.font),
             .tab_stop = c.tab_stop != 0,
             .picture = View(c.picture),
             .scroll = {c.scroll_min, c.scroll_max, c.scroll_small_step, c.scroll_large_step},
             .tooltip = View(c.tooltip),
             .cursor = View(c.cursor)});
    }
    dialog->spec = {.caption = View(spec->caption),
                    .client_width = spec->client_width,
                    .client_height = spec->client_height,
                    .client_left = spec->client_left,
                    .client_top = spec->client_top,
                    .controls = dialog->controls};
    dialog->host = *host;
    dialog->window = NewDialog(dialog->spec, *dialog, {host->form_loaded, host->form_unloaded});
    return dialog.release();
} catch (...) {
    return nullptr;
}

const GlimraModule kModule{
    .msg_box = [](GlimraText text, GlimraText title) noexcept { MsgBox(View(text), View(title)); },
    .error_box =
        [](GlimraText heading, GlimraText description) noexcept {
            ErrorBox(View(heading), View(description));
        },
    .new_dialog = NewDialogFor,
    .delete_dialog = [](GlimraDialog* dialog) noexcept { delete dialog; },
    .show = [](GlimraDialog* dialog) noexcept { dialog->window->Show(); },
    .text =
        [](GlimraDialog* dialog, int control, void (*take)(void*, GlimraText),
           void* context) noexcept {
            const std::wstring text = dialog->window->Text(control);
            take(context, {text.data(), text.size()});
        },
    .set_text = [](GlimraDialog* dialog, int control,
                   GlimraText text) noexcept { dialog->window->SetText(control, View(text)); },
    .select = [](GlimraDialog* dialog, int control, int start,
                 int length) noexcept { dialog->window->Select(control, start, length); },
    .set_focus = [](GlimraDialog* dialog,
                    int control) noexcept { dialog->window->SetFocus(control); },
    .value = [](GlimraDialog* dialog,
                int control) noexcept { return dialog->window->Value(control); },
    .set_value = [](GlimraDialog* dialog, int control,
                    std::int16_t value) noexcept { dialog->window->SetValue(control, value); },
    .open_address = [](GlimraDialog* dialog,
                       const char* address) noexcept { dialog->window->OpenAddress(address); },
    .unload = [](GlimraDialog* dialog) noexcept { dialog->window->Unload(); },
};

}  // namespace

}  // namespace glimra::gtk

// Null when GTK cannot start (no display to open).
extern "C" __attribute__((visibility("default"))) const GlimraModule* glimra_gtk_module() {
    static const bool started = [] {
        if (!gtk_init_check(nullptr, nullptr)) return false;
        // A click in the speed bar's track moves it by a page rather than jumping to the
        // pointer, and every step lands at once: an animated step is cut short when the
        // button comes up before the animation ends.
        g_object_set(gtk_settings_get_default(), "gtk-primary-button-warps-slider", FALSE,
                     "gtk-enable-animations", FALSE, nullptr);
        return true;
    }();
    return started ? &glimra::gtk::kModule : nullptr;
}
