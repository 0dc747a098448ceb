// Form1's window on Wayland: a layer surface on the overlay layer, anchored to all four
// edges of the output the compositor picks, over everything else, with the keyboard to
// itself. It takes no idle inhibitor: the idle daemon that started it can still turn the
// screens off. Lengths are surface units, 15 twips each (1440 / 96); the buffers are
// drawn at the output's whole scale, and the pen grows with it.
#include <poll.h>
#include <sys/mman.h>
#include <xkbcommon/xkbcommon.h>

#include <cmath>

#include "platform/forms.h"
#include "platform/posix/owners.h"
#include "platform/posix/saver_loop.h"
#include "platform/wayland/canvas.h"
#include "platform/wayland/saver_window.h"

namespace glimra::wayland {

namespace {

constexpr float kTwipsPerUnit = 1440.0F / 96.0F;

using platform::HostHandle;
using platform::SaverEvents;

class WaylandSaverWindow final : public platform::SaverWindow,
                                 public Surface,
                                 public posix::SaverLoopClient {
  public:
    WaylandSaverWindow(SaverEvents& events, Connection& connection)
        : events_(events), connection_(connection) {}
    ~WaylandSaverWindow() override { Unload(); }

    void Load(std::int32_t interval_ms) override;
    bool Loaded() const override { return loaded_; }
    void Show() override;
    void SetDrawWidth(int pixels) override { draw_width_ = pixels; }
    void MakeTopmost() override {}  // the overlay layer is above every window already
    void ShowCursor(bool show) override;
    bool AttachToPreview(HostHandle) override { return false; }  // previews are X11's
    Surface& surface() override { return *this; }
    void Unload() override;

    float Width() const override { return static_cast<float>(width_) * kTwipsPerUnit; }
    float Height() const override { return static_cast<float>(height_) * kTwipsPerUnit; }
    void Cls() override { canvas_->Clear(); }
    void PSet(float x, float y, std::uint32_t colour) override;

    int DisplayFd() const override { return wl_display_get_fd(connection_.display); }
    void BeforePoll() override;
    void AfterPoll(short revents) override;
    void OnTimer() override;
    void OnEndingSignal() override { Unload(); }

  private:
    static const zwlr_layer_surface_v1_listener kLayerListener;
    static const wl_surface_listener kSurfaceListener;
    static const wl_seat_listener kSeatListener;
    static const wl_pointer_listener kPointerListener;
    static const wl_keyboard_listener kKeyboardListener;

    void Configure(std::uint32_t serial, int width, int height);
    void EnterOutput(wl_output* output);
    void Capabilities(std::uint32_t capabilities);
    void PointerEnter(std::uint32_t serial, wl_fixed_t x, wl_fixed_t y);
    void Keymap(int fd, std::uint32_t size);
    void Key(std::uint32_t key);
    void ReleaseKeymap();

    SaverEvents& events_;
    Connection& connection_;
    wl_surface* surface_ = nullptr;
    zwlr_layer_surface_v1* layer_ = nullptr;
    wl_seat* seat_ = nullptr;
    wl_pointer* pointer_ = nullptr;
    wl_keyboard* keyboard_ = nullptr;
    std::unique_ptr<Canvas> canvas_;
    xkb_context* xkb_ = nullptr;
    xkb_keymap* keymap_ = nullptr;
    xkb_state* keys_ = nullptr;
    bool loaded_ = false;
    bool configured_ = false;
    bool shown_ = false;
    int width_ = 0;  // surface units
    int height_ = 0;
    int scale_ = 1;
    int draw_width_ = 1;
    int cursor_count_ = 0;  // the pointer shows while this is 0 or more
    std::uint32_t enter_serial_ = 0;
};

// Listeners: plain functions that hand each event to the window.
WaylandSaverWindow* Self(void* data) { return static_cast<WaylandSaverWindow*>(data); }

const zwlr_layer_surface_v1_listener WaylandSaverWindow::kLayerListener{
    [](void* data, zwlr_layer_surface_v1*, std::uint32_t serial, std::uint32_t width,
       std::uint32_t height) {
        Self(data)->Configure(serial, static_cast<int>(width), static_cast<int>(height));
    },
    [](void* data, zwlr_layer_surface_v1*) { Self(data)->Unload(); },  // its output went
};

const wl_surface_listener WaylandSaverWindow::kSurfaceListener{
    [](void* data, wl_surface*, wl_output* output) { Self(data)->EnterOutput(output); },
    [](void*, wl_surface*, wl_output*) {},
};

const wl_seat_listener WaylandSaverWindow::kSeatListener{
    [](void* data, wl_seat*, std::uint32_t capabilities) {
        Self(data)->Capabilities(capabilities);
    },
    [](void*, wl_seat*, const char*) {},
};

// Only the events of wl_pointer 1 come: the seat is bound at version 1.
const wl_pointer_listener WaylandSaverWindow::kPointerListener = [] {
    wl_pointer_listener listener{};
    listener.enter = [](void* data, wl_pointer*, std::uint32_t serial, wl_surface*, wl_fixed_t x,
                        wl_fixed_t y) { Self(data)->PointerEnter(serial, x, y); };
    listener.leave = [](void*, wl_pointer*, std::uint32_t, wl_surface*) {};
    listener.motion = [](void* data, wl_pointer*, std::uint32_t, wl_fixed_t x, wl_fixed_t y) {
        auto* self = Self(data);
        if (!self->loaded_) return;
        self->events_.Form_MouseMove(static_cast<float>(wl_fixed_to_double(x)) * kTwipsPerUnit,
                                     static_cast<float>(wl_fixed_to_double(y)) * kTwipsPerUnit);
    };
    listener.button = [](void* data, wl_pointer*, std::uint32_t, std::uint32_t, std::uint32_t,
                         std::uint32_t state) {
        auto* self = Self(data);
        if (self->loaded_ && state == WL_POINTER_BUTTON_STATE_PRESSED) self->events_.Form_Click();
    };
    listener.axis = [](void*, wl_pointer*, std::uint32_t, std::uint32_t, wl_fixed_t) {};
    return listener;
}();

const wl_keyboard_listener WaylandSaverWindow::kKeyboardListener = [] {
    wl_keyboard_listener listener{};
    listener.keymap = [](void* data, wl_keyboard*, std::uint32_t format, int fd,
                         std::uint32_t size) {
        const posix::Fd keymap(fd);
        if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1) Self(data)->Keymap(keymap.get(), size);
    };
    listener.enter = [](void*, wl_keyboard*, std::uint32_t, wl_surface*, wl_array*) {};
    listener.leave = [](void*, wl_keyboard*, std::uint32_t, wl_surface*) {};
    listener.key = [](void* data, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t key,
                      std::uint32_t state) {
        if (state == WL_KEYBOARD_KEY_STATE_PRESSED) Self(data)->Key(key);
    };
    listener.modifiers = [](void* data, wl_keyboard*, std::uint32_t, std::uint32_t depressed,
                            std::uint32_t latched, std::uint32_t locked, std::uint32_t group) {
        auto* self = Self(data);
        if (self->keys_ != nullptr) {
            xkb_state_update_mask(self->keys_, depressed, latched, locked, 0, 0, group);
        }
    };
    return listener;
}();

// Nothing shows before Show: the surface is made, but committed there.
void WaylandSaverWindow::Load(std::int32_t interval_ms) {
    if (loaded_) return;
    surface_ = wl_compositor_create_surface(connection_.compositor);
    wl_surface_add_listener(surface_, &kSurfaceListener, this);
    layer_ = zwlr_layer_shell_v1_get_layer_surface(connection_.layer_shell, surface_, nullptr,
                                                   ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "lumeck");
    zwlr_layer_surface_v1_add_listener(layer_, &kLayerListener, this);
    zwlr_layer_surface_v1_set_anchor(
        layer_, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                    ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
    zwlr_layer_surface_v1_set_exclusive_zone(layer_, -1);
    zwlr_layer_surface_v1_set_keyboard_interactivity(
        layer_, ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE);
    canvas_ = std::make_unique<Canvas>(connection_.shm, surface_);
    // Bound here, so that the capabilities it sends at once find the listener.
    if (connection_.seat != 0) {
        seat_ = static_cast<wl_seat*>(
            wl_registry_bind(connection_.registry, connection_.seat, &wl_seat_interface, 1));
        wl_seat_add_listener(seat_, &kSeatListener, this);
    }
    scale_ = CommonScale(connection_);
    loaded_ = true;
    platform::FormLoaded();
    posix::StartSaverLoop(*this, interval_ms);
}

// The first commit asks for a size; the first buffer, black, maps the surface.
void WaylandSaverWindow::Show() {
    if (!loaded_ || shown_) return;
    shown_ = true;
    wl_surface_commit(surface_);
    while (loaded_ && !configured_) {
        if (wl_display_dispatch(connection_.display) < 0) {
            Unload();
            return;
        }
    }
    if (loaded_) wl_display_flush(connection_.display);
}

void WaylandSaverWindow::Configure(std::uint32_t serial, int width, int height) {
    zwlr_layer_surface_v1_ack_configure(layer_, serial);
    const bool resized = width != width_ || height != height_;
    width_ = width;
    height_ = height;
    configured_ = true;
    if (resized && width_ > 0 && height_ > 0) {
        canvas_->Resize(width_, height_, scale_);
        canvas_->Present();
    } else {
        wl_surface_commit(surface_);
    }
}

// Pixels at the scale of the output the surface is on: new buffers when it differs from
// the guess. The window keeps no image, so they start black.
void WaylandSaverWindow::EnterOutput(wl_output* output) {
    const int scale = ScaleOf(connection_, output);
    if (scale == scale_) return;
    scale_ = scale;
    if (width_ > 0 && height_ > 0) {
        canvas_->Resize(width_, height_, scale_);
        canvas_->Present();
    }
}

// Devices come and go (a virtual keyboard or pointer lives as long as its client): the
// seat's pointer and keyboard follow its capabilities.
void WaylandSaverWindow::Capabilities(std::uint32_t capabilities) {
    const bool pointer = (capabilities & WL_SEAT_CAPABILITY_POINTER) != 0;
    if (pointer && pointer_ == nullptr) {
        pointer_ = wl_seat_get_pointer(seat_);
        wl_pointer_add_listener(pointer_, &kPointerListener, this);
    } else if (!pointer && pointer_ != nullptr) {
        wl_pointer_destroy(pointer_);
        pointer_ = nullptr;
    }
    const bool keyboard = (capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
    if (keyboard && keyboard_ == nullptr) {
        keyboard_ = wl_seat_get_keyboard(seat_);
        wl_keyboard_add_listener(keyboard_, &kKeyboardListener, this);
    } else if (!keyboard && keyboard_ != nullptr) {
        wl_keyboard_destroy(keyboard_);
        keyboard_ = nullptr;
    }
}

// Entering is the pointer's first event over the window, as the move that a window gets
// when it appears under the pointer: it records the position. The pointer is hidden anew
// at every entry, as the compositor sets its own cursor meanwhile.
void WaylandSaverWindow::PointerEnter(std::uint32_t serial, wl_fixed_t x, wl_fixed_t y) {
    enter_serial_ = serial;
    if (cursor_count_ < 0) wl_pointer_set_cursor(pointer_, serial, nullptr, 0, 0);
    if (!loaded_) return;
    events_.Form_MouseMove(static_cast<float>(wl_fixed_to_double(x)) * kTwipsPerUnit,
                           static_cast<float>(wl_fixed_to_double(y)) * kTwipsPerUnit);
}

void WaylandSaverWindow::ShowCursor(bool show) {
    cursor_count_ += show ? 1 : -1;
    if (cursor_count_ < 0 && pointer_ != nullptr && enter_serial_ != 0) {
        wl_pointer_set_cursor(pointer_, enter_serial_, nullptr, 0, 0);
    }
}

void WaylandSaverWindow::Keymap(int fd, std::uint32_t size) {
    void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (text == MAP_FAILED) return;
    ReleaseKeymap();
    if (xkb_ == nullptr) xkb_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    keymap_ = xkb_keymap_new_from_string(xkb_, static_cast<const char*>(text),
                                         XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
    munmap(text, size);
    if (keymap_ != nullptr) keys_ = xkb_state_new(keymap_);
}

void WaylandSaverWindow::ReleaseKeymap() {
    if (keys_ != nullptr) xkb_state_unref(keys_);
    if (keymap_ != nullptr) xkb_keymap_unref(keymap_);
    keys_ = nullptr;
    keymap_ = nullptr;
}

// A key that produces a character. Delete gives 0x7F but no character on Windows, so it
// does not count, as on X11.
void WaylandSaverWindow::Key(std::uint32_t key) {
    if (!loaded_ || keys_ == nullptr) return;
    const xkb_keycode_t code = key + 8;  // evdev to XKB
    const xkb_keysym_t keysym = xkb_state_key_get_one_sym(keys_, code);
    if (xkb_state_key_get_utf32(keys_, code) != 0 && keysym != XKB_KEY_Delete &&
        keysym != XKB_KEY_KP_Delete) {
        events_.Form_KeyPress();
    }
}

// A solid disc draw_width pixels across (times the scale) in the square that DotBox gives.
void WaylandSaverWindow::PSet(float x, float y, std::uint32_t colour) {
    const float pixels = static_cast<float>(canvas_->scale()) / kTwipsPerUnit;
    const int px = static_cast<int>(std::floor(x * pixels));
    const int py = static_cast<int>(std::floor(y * pixels));
    canvas_->Dot(DotBox(px, py, draw_width_ * canvas_->scale()), colour);
}

void WaylandSaverWindow::OnTimer() {
    if (!loaded_ || width_ <= 0) return;
    events_.Timer1_Timer();
    if (loaded_) canvas_->Present();
}

// The reading protocol of libwayland: what was read already is handed out first.
void WaylandSaverWindow::BeforePoll() {
    while (loaded_ && wl_display_prepare_read(connection_.display) != 0) {
        if (wl_display_dispatch_pending(connection_.display) < 0) {
            Unload();
            return;
        }
    }
    if (!loaded_) return;
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

void WaylandSaverWindow::Unload() {
    if (!loaded_) return;
    events_.Form_Unload();
    loaded_ = false;
    posix::StopSaverLoop();
    if (pointer_ != nullptr) wl_pointer_destroy(pointer_);
    if (keyboard_ != nullptr) wl_keyboard_destroy(keyboard_);
    pointer_ = nullptr;
    keyboard_ = nullptr;
    if (seat_ != nullptr) wl_seat_destroy(seat_);
    seat_ = nullptr;
    ReleaseKeymap();
    if (xkb_ != nullptr) xkb_context_unref(xkb_);
    xkb_ = nullptr;
    canvas_.reset();
    zwlr_layer_surface_v1_destroy(layer_);
    wl_surface_destroy(surface_);
    wl_display_flush(connection_.display);
    platform::FormUnloaded();
}

}  // namespace

std::unique_ptr<platform::SaverWindow> NewSaverWindow(SaverEvents& events, Connection& connection) {
    return std::make_unique<WaylandSaverWindow>(events, connection);
}

}  // namespace glimra::wayland
