// A small host for the GTK module while the program's Linux layer is not there: loads the
// module as lumeck does, shows the dialog from the layout table, and prints its events.
#include <cstdio>
#include <cstring>
#include <vector>

#include <gtk/gtk.h>

#include "pictures.h"
#include "platform/gtk/module.h"
#include "settings/layout.h"
#include "startup/maker.h"

using namespace glimra;

namespace {

std::vector<platform::ControlSpec> Controls() {
    std::vector<platform::ControlSpec> controls;
    for (const layout::Control& c : layout::kControls) {
        std::span<const unsigned char> picture;
        if (c.id == layout::kCmdChangeUp) picture = pictures::UpArrow();
        if (c.id == layout::kCmdChangeDown) picture = pictures::DownArrow();
        if (c.id == layout::kImage1) picture = pictures::Logo();
        controls.push_back({c.name, c.id, static_cast<platform::ControlKind>(c.kind), c.container,
                            c.left, c.top, c.width, c.height, c.caption,
                            static_cast<platform::ControlFont>(c.font), c.tab_stop, picture});
    }
    return controls;
}

struct Events : platform::DialogEvents {
    platform::DialogWindow* dialog = nullptr;
    void Form_Load() override {
        dialog->SetValue(layout::kHspeed, 500);
        dialog->SetText(layout::kTxtNum, L"30");
    }
    void Control_Click(int control) override {
        std::printf("click %d\n", control);
        std::fflush(stdout);
        if (control == layout::kCommand3 || control == layout::kCommand4) dialog->Unload();
        if (control == layout::kImage1) dialog->OpenAddress(GLIMRA_MAKER_ADDRESS);
        if (control == layout::kCmdChangeUp || control == layout::kCmdChangeDown) {
            dialog->Select(layout::kTxtNum, 0, 255);
            dialog->SetFocus(layout::kTxtNum);
        }
    }
};

void Guard(void (*body)(void*), void* context) { body(context); }

bool AnyWindowShown() {
    GList* windows = gtk_window_list_toplevels();
    bool shown = false;
    for (GList* w = windows; w; w = w->next)
        shown = shown || gtk_widget_get_visible(GTK_WIDGET(w->data));
    g_list_free(windows);
    return shown;
}

}  // namespace

int main(int argc, char** argv) {
    const gtk::Module& module = gtk::LoadedModule();
    const char* mode = argc > 1 ? argv[1] : "dialog";
    if (std::strcmp(mode, "statement") == 0) {
        module.msg_box(L"Glimra 屏幕保护程序由 " GLIMRA_MAKER_NAME L" 制作。", L"声明");
        return 0;
    }
    const std::vector<platform::ControlSpec> controls = Controls();
    const platform::DialogSpec spec{
        L"配置",
        layout::kClientWidth,
        layout::kClientHeight,
        layout::kClientLeft,
        layout::kClientTop,
        controls,
        {layout::kSpeedMin, layout::kSpeedMax, layout::kSpeedSmallStep, layout::kSpeedLargeStep},
        GLIMRA_MAKER_NAME,
        pictures::HandCursor()};
    Events events;
    auto dialog = module.new_dialog(spec, events, Guard, nullptr);
    events.dialog = dialog.get();
    dialog->Show();
    if (std::strcmp(mode, "error") == 0) {
        module.error_box(70, L"拒绝的权限");
        return 70;
    }
    while (AnyWindowShown()) gtk_main_iteration();
    return 0;
}
