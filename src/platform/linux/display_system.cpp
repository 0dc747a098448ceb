// The program's side of the display boundary: which display system's module serves the saver
// window, what the program lends it, and the window it makes as a SaverWindow.
#include "platform/linux/display_system.h"

#include <cstdlib>
#include <optional>

#include "platform/forms.h"
#include "platform/linux/display_module.h"
#include "platform/platform.h"
#include "platform/posix/modules.h"
#include "platform/posix/process.h"
#include "platform/posix/saver_loop.h"
#include "platform/saver_window.h"
#include "runtime/runtime_error.h"

namespace glimra::platform {

// A host's window on Linux is an X window.
const HostHandleForm kHostHandleForm = HostHandleForm::kX11;

namespace {

SaverUse g_use = SaverUse::kFullScreen;

// The program's one loop, serving a module's window.
class ModuleLoopClient final : public posix::SaverLoopClient {
  public:
    const GlimraLoopClient* window = nullptr;

    int DisplayFd() const override { return window->display_fd(window->window); }
    void BeforePoll() override { window->before_poll(window->window); }
    void AfterPoll(short revents) override { window->after_poll(window->window, revents); }
    void OnTimer() override { window->on_timer(window->window); }
    void OnEndingSignal() override { window->on_ending_signal(window->window); }
};

ModuleLoopClient g_loop_client;

const GlimraDisplayHost kHost{
    .form_loaded = FormLoaded,
    .form_unloaded = FormUnloaded,
    .end = End,
    .report_error = [](int number) { posix::ReportRuntimeError({number}); },
    .on_before_error_box = posix::OnBeforeErrorBox,
    .start_loop =
        [](const GlimraLoopClient* client, std::int32_t interval_ms) {
            g_loop_client.window = client;
            posix::Guarded([interval_ms] { posix::StartSaverLoop(g_loop_client, interval_ms); });
        },
    .stop_loop = posix::StopSaverLoop,
};

const GlimraDisplayModule& LoadedModule(const char* file_name) {
    const auto entry = reinterpret_cast<GlimraDisplayModuleEntry>(
        posix::ModuleEntry(file_name, kDisplayModuleEntryName));
    if (entry == nullptr) runtime::Raise(runtime::kErrLoadingLibrary);
    return *entry(&kHost);
}

const GlimraDisplayModule& X11() {
    static const GlimraDisplayModule& module = LoadedModule(kX11ModuleFileName);
    return module;
}

const GlimraDisplayModule& Wayland() {
    static const GlimraDisplayModule& module = LoadedModule(kWaylandModuleFileName);
    return module;
}

// A session names its compositor in WAYLAND_DISPLAY; without one, the Wayland module is not
// even loaded.
bool WaylandSession() {
    const char* name = std::getenv("WAYLAND_DISPLAY");
    return name != nullptr && *name != '\0';
}

// Form1's handlers, each under the program's guard: nothing is thrown into the module.
template <void (SaverEvents::*handler)()>
void Handle(void* form) {
    posix::Guarded([form] { (static_cast<SaverEvents*>(form)->*handler)(); });
}

class ModuleSaverWindow final : public SaverWindow, public Surface {
  public:
    ModuleSaverWindow(const GlimraDisplayModule& module, SaverEvents& events,
                      std::optional<HostHandle> host_window)
        : module_(module),
          events_{
              .form = &events,
              .click = Handle<&SaverEvents::Form_Click>,
              .key_press = Handle<&SaverEvents::Form_KeyPress>,
              .mouse_move =
                  [](void* form, float x, float y) {
                      posix::Guarded(
                          [=] { static_cast<SaverEvents*>(form)->Form_MouseMove(x, y); });
                  },
              .unload = Handle<&SaverEvents::Form_Unload>,
              .timer = Handle<&SaverEvents::Timer1_Timer>,
          },
          window_(module.new_window(&events_, host_window.has_value(), host_window.value_or(0))) {}
    ~ModuleSaverWindow() override { module_.delete_window(window_); }

    void Load(std::int32_t interval_ms) override { module_.load(window_, interval_ms); }
    bool Loaded() const override { return module_.loaded(window_) != 0; }
    void Show() override { module_.show(window_); }
    void SetDrawWidth(int pixels) override { module_.set_draw_width(window_, pixels); }
    void MakeTopmost() override { module_.make_topmost(window_); }
    void ShowCursor(bool show) override { module_.show_cursor(window_, show ? 1 : 0); }
    bool AttachToPreview(HostHandle host) override {
        return module_.attach_to_preview(window_, host) != 0;
    }
    Surface& surface() override { return *this; }
    void Unload() override { module_.unload(window_); }

    float Width() const override { return module_.width(window_); }
    float Height() const override { return module_.height(window_); }
    void Cls() override { module_.cls(window_); }
    void PSet(float x, float y, std::uint32_t colour) override {
        module_.pset(window_, x, y, colour);
    }

  private:
    const GlimraDisplayModule& module_;
    const GlimraSaverEvents events_;
    GlimraSaverWindow* const window_;
};

}  // namespace

void UseSaverDisplay(SaverUse use) { g_use = use; }

// A host's window (a display mode) is X11's. A preview whose host cannot be reached ends at
// once and quietly, as for a handle that names no window.
std::unique_ptr<SaverWindow> NewSaverWindow(SaverEvents& events,
                                            std::optional<HostHandle> host_window) {
    if (!host_window && g_use == SaverUse::kFullScreen && WaylandSession() &&
        Wayland().connect() != 0) {
        return std::make_unique<ModuleSaverWindow>(Wayland(), events, std::nullopt);
    }
    if (X11().connect() == 0) {
        if (!host_window && g_use == SaverUse::kPreview) End();
        posix::EndWithoutDisplay();
    }
    return std::make_unique<ModuleSaverWindow>(X11(), events, host_window);
}

}  // namespace glimra::platform
