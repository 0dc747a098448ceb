// Form1's window on Wayland: a surface over every output, each with its own buffers at its
// output's scale (shell_surface.h says the two ways they are shown), and every seat's input.
// Lengths are the layout's logical units, 15 twips each. It takes no idle inhibitor: the idle
// daemon that started it can still turn the screens off.
//
// The saver blanks only while the typing comes to it. Without a keyboard's focus on one of its
// surfaces within a few seconds (5 on the layer shell, whose exclusive keyboard another overlay
// or a lock screen may hold; 2 for a toplevel, from the request to show it and again from its
// first map), it ends with status 1. A toplevel counts as shown (its timer paints) only once it
// has the focus, and it ends when every keyboard has left its surfaces: a leave is final once
// the compositor has answered a sync sent after it, by when it has sent any enter to another of
// the saver's surfaces that follows it. A seat without a keyboard asks for no focus.
#include "platform/wayland/saver_window.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "platform/platform.h"
#include "platform/posix/process.h"
#include "platform/posix/saver_loop.h"
#include "platform/saver_base.h"
#include "platform/scaling.h"
#include "platform/wayland/outputs.h"
#include "platform/wayland/seats.h"
#include "platform/wayland/shell_surface.h"

namespace glimra::wayland {

namespace {

using Clock = std::chrono::steady_clock;
using platform::HostHandle;
using platform::SaverEvents;

constexpr std::chrono::seconds kLayerKeyboardWait{5};
constexpr std::chrono::seconds kToplevelFocusWait{2};

class WaylandSaverWindow final : public platform::SaverWindowBase,
                                 public posix::SaverLoopClient,
                                 public GlobalWatcher,
                                 public OutputOwner,
                                 public InputSink {
  public:
    WaylandSaverWindow(SaverEvents& events, Connection& connection)
        : SaverWindowBase(events), connection_(connection) {
        SetTwipsPerUnit(platform::TwipsPerPixel(platform::kDesignDpi));
    }
    ~WaylandSaverWindow() override { Unload(); }

    void Show() override;
    void MakeTopmost() override {}  // the overlay layer and full screen are above every window
    bool AttachToPreview(HostHandle) override { return false; }  // previews are X11's

    int DisplayFd() const override { return wl_display_get_fd(connection_.display); }
    void BeforePoll() override;
    void AfterPoll(short revents) override;
    void OnTimer() override;
    // A stopped compositor would never answer: nothing more is asked of it.
    void OnEndingSignal() override {
        UnloadForEnd();
        platform::End();
    }

  private:
    void OpenWindow(std::int32_t interval_ms) override;
    void CloseWindow() override;
    void ShowPointer(bool show) override;
    void ClearMonitors() override;
    void DrawDot(std::size_t index, PixelBox box, std::uint32_t colour) override;

    void OutputAdded(Global output) override;
    void SeatAdded(Global seat) override;
    void GlobalRemoved(std::uint32_t name) override;

    void OutputChanged(Output&) override { ListMonitors(); }
    void SurfaceMapped() override;
    void SurfaceClosed(Output& output) override { DropOutput(output); }
    void CloseRequested() override { Unload(); }

    void PointerEntered(Seat& seat, wl_surface* surface, double x, double y) override;
    void PointerAt(wl_surface* surface, double x, double y) override;
    void Pressed() override { Clicked(); }
    void KeyDown(std::uint32_t keysym, std::uint32_t utf32) override { KeyPressed(keysym, utf32); }
    void FocusChanged() override;

    static void OnSettled(void* data, wl_callback* callback, std::uint32_t);
    static const wl_callback_listener kSettledListener;
    bool Toplevels() const { return connection_.layer_shell == nullptr; }
    std::chrono::seconds FocusWait() const {
        return Toplevels() ? kToplevelFocusWait : kLayerKeyboardWait;
    }
    bool Focused() const;
    bool AnyKeyboard() const;
    bool Painting() const;
    void ListMonitors();
    void DropOutput(Output& output);
    void EndWithoutFocus();

    Connection& connection_;
    std::vector<std::unique_ptr<Output>> outputs_;
    std::vector<Output*> drawn_;  // the outputs in the base's order of monitors
    std::vector<std::unique_ptr<Seat>> seats_;
    bool shown_ = false;
    bool mapped_ = false;     // one surface at least has shown a buffer
    bool had_focus_ = false;  // a keyboard came to one of the surfaces
    Clock::time_point focus_deadline_;
    wl_callback* settling_ = nullptr;  // the sync after a keyboard left
};

const wl_callback_listener WaylandSaverWindow::kSettledListener{.done = OnSettled};

WaylandSaverWindow* g_open = nullptr;  // the window that the error box's hook unmaps

// Nothing shows before Show: the surfaces are made, one an output, and committed there. The
// run-time error box must be seen and answered, so the surfaces, above every window and with
// the keyboard to themselves, are unmapped before it shows.
void WaylandSaverWindow::OpenWindow(std::int32_t interval_ms) {
    Watch(connection_, this);
    g_open = this;
    posix::OnBeforeErrorBox([] {
        for (auto& output : g_open->outputs_) output->surface().Hide();
        wl_display_flush(g_open->connection_.display);
    });
    posix::StartSaverLoop(*this, interval_ms);
}

// The first commits ask for sizes; the compositor's answers come through the saver's loop,
// which also reads the ending signals meanwhile. With no output, there is nothing to cover.
void WaylandSaverWindow::Show() {
    if (!Loaded() || shown_) return;
    shown_ = true;
    if (outputs_.empty()) {
        Unload();
        return;
    }
    for (auto& output : outputs_) output->surface().Show();
    focus_deadline_ = Clock::now() + FocusWait();
    wl_display_flush(connection_.display);
}

void WaylandSaverWindow::SurfaceMapped() {
    if (mapped_) return;
    mapped_ = true;
    focus_deadline_ = Clock::now() + FocusWait();
}

void WaylandSaverWindow::OutputAdded(Global global) {
    outputs_.push_back(std::make_unique<Output>(connection_, global, *this));
    if (shown_) outputs_.back()->surface().Show();
}

void WaylandSaverWindow::SeatAdded(Global global) {
    seats_.push_back(std::make_unique<Seat>(connection_, global, *this));
}

void WaylandSaverWindow::GlobalRemoved(std::uint32_t name) {
    for (auto& output : outputs_) {
        if (output->name() == name) {
            DropOutput(*output);
            return;
        }
    }
    const auto gone = [name](const std::unique_ptr<Seat>& seat) { return seat->name() == name; };
    if (std::erase_if(seats_, gone) > 0) FocusChanged();
}

// An output gone takes its surface along; the saver ends with the last one.
void WaylandSaverWindow::DropOutput(Output& output) {
    wl_surface* surface = output.surface().surface();
    for (auto& seat : seats_) seat->Forget(surface);
    std::erase_if(outputs_, [&output](const auto& known) { return known.get() == &output; });
    ListMonitors();
    if (outputs_.empty()) {
        Unload();
        return;
    }
    FocusChanged();
}

// The outputs that have described themselves, as one layout.
void WaylandSaverWindow::ListMonitors() {
    std::vector<platform::Monitor> monitors;
    drawn_.clear();
    for (auto& output : outputs_) {
        if (!output->known()) continue;
        monitors.push_back(output->monitor());
        drawn_.push_back(output.get());
    }
    SetMonitors(std::move(monitors));
}

void WaylandSaverWindow::ClearMonitors() {
    for (auto& output : outputs_) output->surface().canvas().Clear();
}

void WaylandSaverWindow::DrawDot(std::size_t index, PixelBox box, std::uint32_t colour) {
    drawn_[index]->surface().canvas().Dot(box, colour);
}

bool WaylandSaverWindow::Focused() const {
    return std::any_of(seats_.begin(), seats_.end(), [this](const auto& seat) {
        return seat->focus() != nullptr &&
               std::any_of(outputs_.begin(), outputs_.end(), [&seat](const auto& output) {
                   return output->surface().surface() == seat->focus();
               });
    });
}

bool WaylandSaverWindow::AnyKeyboard() const {
    return std::any_of(seats_.begin(), seats_.end(),
                       [](const auto& seat) { return seat->has_keyboard(); });
}

// The timer paints once a surface is mapped, and a toplevel once it has the focus too.
bool WaylandSaverWindow::Painting() const {
    return mapped_ && (!Toplevels() || had_focus_ || !AnyKeyboard());
}

void WaylandSaverWindow::FocusChanged() {
    if (Focused()) {
        had_focus_ = true;
        return;
    }
    if (!had_focus_ || !Toplevels() || settling_ != nullptr) return;
    settling_ = wl_display_sync(connection_.display);
    wl_callback_add_listener(settling_, &kSettledListener, this);
}

void WaylandSaverWindow::OnSettled(void* data, wl_callback* callback, std::uint32_t) {
    auto* self = static_cast<WaylandSaverWindow*>(data);
    wl_callback_destroy(callback);
    self->settling_ = nullptr;
    if (!self->Focused()) self->Unload();
}

// Unmapped first, so that nothing covers the screen while the line is read.
void WaylandSaverWindow::EndWithoutFocus() {
    std::fprintf(stderr,
                 "lumeck: the saver did not get the keyboard within %lld s; it does not blank "
                 "while the typing goes elsewhere\n",
                 static_cast<long long>(FocusWait().count()));
    Unload();
    _exit(1);
}

// Entering is the pointer's first event over a surface, as the move that a window gets when
// it appears under the pointer: it records the position.
void WaylandSaverWindow::PointerEntered(Seat& seat, wl_surface* surface, double x, double y) {
    if (PointerHidden()) seat.HidePointer();
    PointerAt(surface, x, y);
}

// From the surface's own units to the layout's, where its output sits.
void WaylandSaverWindow::PointerAt(wl_surface* surface, double x, double y) {
    for (auto& output : outputs_) {
        if (surface != nullptr && output->surface().surface() == surface) {
            PointerMoved(x + output->monitor().x, y + output->monitor().y);
            return;
        }
    }
}

void WaylandSaverWindow::ShowPointer(bool show) {
    if (show) return;  // the surfaces set no cursor of their own
    for (auto& seat : seats_) seat->HidePointer();
}

void WaylandSaverWindow::OnTimer() {
    if (!had_focus_ && shown_ && AnyKeyboard() && Clock::now() >= focus_deadline_) {
        EndWithoutFocus();
    }
    if (!Painting()) return;
    Tick();
    if (!Loaded()) return;
    for (auto& output : outputs_) {
        if (output->surface().mapped()) output->surface().canvas().Present();
    }
}

// The reading protocol of libwayland: what was read already is handed out first.
void WaylandSaverWindow::BeforePoll() {
    while (Loaded() && wl_display_prepare_read(connection_.display) != 0) {
        if (wl_display_dispatch_pending(connection_.display) < 0) {
            Unload();
            return;
        }
    }
    if (!Loaded()) return;
    wl_display_flush(connection_.display);
}

// The compositor gone (the connection hung up, or a fatal error) ends the saver.
void WaylandSaverWindow::AfterPoll(short revents) {
    if ((revents & POLLIN) != 0) {
        if (wl_display_read_events(connection_.display) < 0) {
            Unload();
            return;
        }
    } else {
        wl_display_cancel_read(connection_.display);
    }
    if (wl_display_dispatch_pending(connection_.display) < 0 ||
        (revents & (POLLHUP | POLLERR)) != 0) {
        Unload();
    }
}

void WaylandSaverWindow::CloseWindow() {
    posix::OnBeforeErrorBox(nullptr);
    g_open = nullptr;
    posix::StopSaverLoop();
    Watch(connection_, nullptr);
    if (settling_ != nullptr) wl_callback_destroy(settling_);
    settling_ = nullptr;
    seats_.clear();
    drawn_.clear();
    outputs_.clear();
    wl_display_flush(connection_.display);
}

}  // namespace

std::unique_ptr<platform::SaverWindow> NewSaverWindow(SaverEvents& events, Connection& connection) {
    return std::make_unique<WaylandSaverWindow>(events, connection);
}

}  // namespace glimra::wayland
