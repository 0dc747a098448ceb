// The settings dialog on Linux is the GTK module's, reached through its C boundary; this
// side lends it the program's handlers under the run-time error guard and the count of
// loaded forms. A module that cannot do what is asked of it is an internal error, not a lack
// of memory: the module catches whatever failed on its side and says only that it failed.
#include "platform/gtk/module_dialog.h"

#include <string>
#include <vector>

#include "platform/forms.h"
#include "platform/posix/process.h"
#include "runtime/runtime_error.h"

namespace glimra::gtk {

namespace {

using platform::ControlSpec, platform::DialogEvents, platform::DialogSpec;

GlimraText CText(std::wstring_view text) { return {text.data(), text.size()}; }
GlimraBytes CBytes(std::span<const unsigned char> bytes) { return {bytes.data(), bytes.size()}; }

class ModuleDialog final : public platform::DialogWindow {
  public:
    ModuleDialog(const GlimraModule& module, const DialogSpec& spec, DialogEvents& events)
        : module_(module) {
        for (const ControlSpec& c : spec.controls) {
            controls_.push_back({c.name.data(), c.name.size(), c.id, static_cast<int>(c.kind),
                                 c.container, c.left, c.top, c.width, c.height, CText(c.caption),
                                 static_cast<int>(c.font), c.tab_stop ? 1 : 0, CBytes(c.picture),
                                 c.scroll.min, c.scroll.max, c.scroll.small_step,
                                 c.scroll.large_step, CText(c.tooltip), CBytes(c.cursor)});
        }
        const GlimraDialogSpec table{CText(spec.caption), spec.client_width, spec.client_height,
                                     spec.client_left,    spec.client_top,   controls_.data(),
                                     controls_.size()};
        const GlimraDialogHost host{&events, &FormLoad, &ControlClick, &platform::FormLoaded,
                                    &platform::FormUnloaded};
        dialog_ = module_.new_dialog(&table, &host);
        if (dialog_ == nullptr) runtime::Raise(runtime::kErrInternal);
    }
    ModuleDialog(const ModuleDialog&) = delete;
    ModuleDialog& operator=(const ModuleDialog&) = delete;
    ~ModuleDialog() override { module_.delete_dialog(dialog_); }

    void Show() override { module_.show(dialog_); }
    std::wstring Text(int control) override {
        struct Taken {
            std::wstring text;
            int error = runtime::kErrInternal;  // until the module hands the text over
        } taken;
        module_.text(
            dialog_, control,
            [](void* context, GlimraText text) {
                auto* into = static_cast<Taken*>(context);
                try {
                    into->text.assign(text.data, text.size);
                    into->error = 0;
                } catch (...) {  // nothing is thrown across the boundary
                    into->error = runtime::CurrentError().number;
                }
            },
            &taken);
        if (taken.error != 0) runtime::Raise(taken.error);
        return std::move(taken.text);
    }
    void SetText(int control, std::wstring_view text) override {
        module_.set_text(dialog_, control, CText(text));
    }
    void Select(int control, int start, int length) override {
        module_.select(dialog_, control, start, length);
    }
    void SetFocus(int control) override { module_.set_focus(dialog_, control); }
    std::int16_t Value(int control) override { return module_.value(dialog_, control); }
    void SetValue(int control, std::int16_t value) override {
        module_.set_value(dialog_, control, value);
    }
    void OpenAddress(const char* address) override { module_.open_address(dialog_, address); }
    void Unload() override { module_.unload(dialog_); }

  private:
    static void FormLoad(void* events) {
        posix::Guarded([events] { static_cast<DialogEvents*>(events)->Form_Load(); });
    }
    static void ControlClick(void* events, int control) {
        posix::Guarded(
            [events, control] { static_cast<DialogEvents*>(events)->Control_Click(control); });
    }

    const GlimraModule& module_;
    std::vector<GlimraControl> controls_;
    GlimraDialog* dialog_ = nullptr;
};

}  // namespace

std::unique_ptr<platform::DialogWindow> NewModuleDialog(const GlimraModule& module,
                                                        const DialogSpec& spec,
                                                        DialogEvents& events) {
    return std::make_unique<ModuleDialog>(module, spec, events);
}

}  // namespace glimra::gtk

namespace glimra::platform {

std::unique_ptr<DialogWindow> NewDialogWindow(const DialogSpec& spec, DialogEvents& events) {
    return gtk::NewModuleDialog(gtk::LoadedModule(), spec, events);
}

}  // namespace glimra::platform
