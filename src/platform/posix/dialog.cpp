// The settings dialog on Linux is the GTK module's; this side counts it as a loaded form,
// so that the loop runs while it is open, and hands it the run-time error guard.
#include <utility>

#include "platform/dialog_window.h"
#include "platform/gtk/module.h"
#include "platform/platform.h"
#include "platform/posix/process.h"

namespace glimra::platform {

namespace {

class CountedDialog final : public DialogWindow {
  public:
    explicit CountedDialog(std::unique_ptr<DialogWindow> dialog) : dialog_(std::move(dialog)) {}
    void Show() override {
        if (!loaded_) posix::FormLoaded();
        loaded_ = true;
        dialog_->Show();
    }
    std::wstring Text(int control) override { return dialog_->Text(control); }
    void SetText(int control, std::wstring_view text) override { dialog_->SetText(control, text); }
    void Select(int control, int start, int length) override {
        dialog_->Select(control, start, length);
    }
    void SetFocus(int control) override { dialog_->SetFocus(control); }
    std::int16_t Value(int control) override { return dialog_->Value(control); }
    void SetValue(int control, std::int16_t value) override { dialog_->SetValue(control, value); }
    void OpenAddress(const char* address) override { dialog_->OpenAddress(address); }
    void Unload() override {
        dialog_->Unload();
        if (loaded_) posix::FormUnloaded();
        loaded_ = false;
    }

  private:
    std::unique_ptr<DialogWindow> dialog_;
    bool loaded_ = false;
};

}  // namespace

std::unique_ptr<DialogWindow> NewDialogWindow(const DialogSpec& spec, DialogEvents& events) {
    return std::make_unique<CountedDialog>(
        gtk::LoadedModule().new_dialog(spec, events, &Guarded, &posix::FormUnloaded));
}

}  // namespace glimra::platform
