// The module's side of the display boundary, the same in every display system's module: the
// C entry points over the display system's window, and the program's services that the
// window calls (the forms' count, the end, the loop, the error report's hook) passed on to
// the program that lent them.
#include "platform/linux/module_side.h"

#include <cstdlib>
#include <memory>

#include "platform/forms.h"
#include "platform/linux/display_module.h"
#include "platform/platform.h"
#include "platform/posix/process.h"
#include "platform/posix/saver_loop.h"
#include "runtime/runtime_error.h"

namespace glimra {

namespace {

const GlimraDisplayHost* g_host = nullptr;
void (*g_release_input)() = nullptr;

// Runs `body` for an entry point: what it throws is this side's run-time error, and the
// program's report of it ends the process.
template <typename Body>
auto Guarded(Body&& body) noexcept -> decltype(body()) {
    try {
        return body();
    } catch (...) {
        g_host->report_error(runtime::CurrentError().number);
        std::abort();  // the report does not return
    }
}

// Form1's handlers, lent by the program; each runs under the program's own guard.
class ProgramEvents final : public platform::SaverEvents {
  public:
    explicit ProgramEvents(const GlimraSaverEvents& events) : events_(events) {}
    void Form_Click() override { events_.click(events_.form); }
    void Form_KeyPress() override { events_.key_press(events_.form); }
    void Form_MouseMove(float x, float y) override { events_.mouse_move(events_.form, x, y); }
    void Form_Unload() override { events_.unload(events_.form); }
    void Timer1_Timer() override { events_.timer(events_.form); }

  private:
    const GlimraSaverEvents events_;
};

posix::SaverLoopClient& Client(void* window) {
    return *static_cast<posix::SaverLoopClient*>(window);
}

// The window that the program's loop serves; one at a time.
GlimraLoopClient g_loop_client{
    .window = nullptr,
    .display_fd =
        [](void* window) noexcept {
            return Guarded([window] { return Client(window).DisplayFd(); });
        },
    .before_poll =
        [](void* window) noexcept { Guarded([window] { Client(window).BeforePoll(); }); },
    .after_poll =
        [](void* window, short revents) noexcept {
            Guarded([=] { Client(window).AfterPoll(revents); });
        },
    .on_timer = [](void* window) noexcept { Guarded([window] { Client(window).OnTimer(); }); },
    .on_ending_signal =
        [](void* window) noexcept { Guarded([window] { Client(window).OnEndingSignal(); }); },
};

}  // namespace

// The program's services, as the display system's code calls them.
namespace platform {

void End() {
    g_host->end();
    std::abort();  // the program's end does not return
}

void FormLoaded() { g_host->form_loaded(); }
void FormUnloaded() { g_host->form_unloaded(); }

}  // namespace platform

namespace posix {

// The program runs the release just before its error box; nothing may be thrown back to it.
void OnBeforeErrorBox(void (*release)()) {
    g_release_input = release;
    g_host->on_before_error_box([] {
        try {
            if (g_release_input != nullptr) g_release_input();
        } catch (...) {
        }
    });
}

void StartSaverLoop(SaverLoopClient& client, std::int32_t interval_ms) {
    g_loop_client.window = &client;
    g_host->start_loop(&g_loop_client, interval_ms);
}

void StopSaverLoop() { g_host->stop_loop(); }

}  // namespace posix

}  // namespace glimra

// The window and the program's handlers that it reports to.
struct GlimraSaverWindow {
    glimra::ProgramEvents events;
    std::unique_ptr<glimra::platform::SaverWindow> window;
};

namespace glimra {

namespace {

const GlimraDisplayModule kModule{
    .connect = []() noexcept { return Guarded([] { return platform::ConnectDisplay() ? 1 : 0; }); },
    .new_window =
        [](const GlimraSaverEvents* events, int has_host, std::int64_t host) noexcept {
            return Guarded([&] {
                auto made = std::unique_ptr<GlimraSaverWindow>(
                    new GlimraSaverWindow{.events = ProgramEvents(*events), .window = nullptr});
                made->window = platform::NewDisplayWindow(
                    made->events,
                    has_host ? std::optional<platform::HostHandle>(host) : std::nullopt);
                return made.release();
            });
        },
    .delete_window = [](GlimraSaverWindow* window) noexcept { Guarded([&] { delete window; }); },
    .load =
        [](GlimraSaverWindow* window, std::int32_t interval_ms) noexcept {
            Guarded([&] { window->window->Load(interval_ms); });
        },
    .loaded =
        [](GlimraSaverWindow* window) noexcept {
            return Guarded([&] { return window->window->Loaded() ? 1 : 0; });
        },
    .show = [](GlimraSaverWindow* window) noexcept { Guarded([&] { window->window->Show(); }); },
    .set_draw_width =
        [](GlimraSaverWindow* window, int pixels) noexcept {
            Guarded([&] { window->window->SetDrawWidth(pixels); });
        },
    .make_topmost =
        [](GlimraSaverWindow* window) noexcept { Guarded([&] { window->window->MakeTopmost(); }); },
    .show_cursor =
        [](GlimraSaverWindow* window, int show) noexcept {
            Guarded([&] { window->window->ShowCursor(show != 0); });
        },
    .attach_to_preview =
        [](GlimraSaverWindow* window, std::int64_t host) noexcept {
            return Guarded([&] { return window->window->AttachToPreview(host) ? 1 : 0; });
        },
    .unload =
        [](GlimraSaverWindow* window) noexcept { Guarded([&] { window->window->Unload(); }); },
    .width =
        [](GlimraSaverWindow* window) noexcept {
            return Guarded([&] { return window->window->surface().Width(); });
        },
    .height =
        [](GlimraSaverWindow* window) noexcept {
            return Guarded([&] { return window->window->surface().Height(); });
        },
    .cls =
        [](GlimraSaverWindow* window) noexcept {
            Guarded([&] { window->window->surface().Cls(); });
        },
    .pset =
        [](GlimraSaverWindow* window, float x, float y, std::uint32_t colour) noexcept {
            Guarded([&] { window->window->surface().PSet(x, y, colour); });
        },
};

}  // namespace

}  // namespace glimra

extern "C" __attribute__((visibility("default"))) const GlimraDisplayModule* glimra_display_module(
    const GlimraDisplayHost* host) {
    glimra::g_host = host;
    return &glimra::kModule;
}
