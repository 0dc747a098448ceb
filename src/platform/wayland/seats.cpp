#include "platform/wayland/seats.h"

#include <sys/mman.h>

#include "platform/posix/owners.h"

namespace glimra::wayland {

// The seat is bound at version 5 at most, for its release; the events of later versions of
// its devices never come (null below).
const wl_seat_listener Seat::kSeatListener{.capabilities = OnCapabilities,
                                           .name = [](void*, wl_seat*, const char*) {}};

const wl_pointer_listener Seat::kPointerListener{
    .enter = OnPointerEnter,
    .leave = OnPointerLeave,
    .motion = OnPointerMotion,
    .button = OnButton,
    .axis = [](void*, wl_pointer*, std::uint32_t, std::uint32_t, wl_fixed_t) {},
    .frame = [](void*, wl_pointer*) {},
    .axis_source = [](void*, wl_pointer*, std::uint32_t) {},
    .axis_stop = [](void*, wl_pointer*, std::uint32_t, std::uint32_t) {},
    .axis_discrete = [](void*, wl_pointer*, std::uint32_t, std::int32_t) {},
    .axis_value120 = nullptr};

const wl_keyboard_listener Seat::kKeyboardListener{
    .keymap = OnKeymap,
    .enter = OnKeyboardEnter,
    .leave = OnKeyboardLeave,
    .key = OnKey,
    .modifiers = OnModifiers,
    .repeat_info = [](void*, wl_keyboard*, std::int32_t, std::int32_t) {}};

// A touch is a click, as on Windows and X11, where it reaches the program as one.
const wl_touch_listener Seat::kTouchListener{
    .down = OnTouchDown,
    .up = [](void*, wl_touch*, std::uint32_t, std::uint32_t, std::int32_t) {},
    .motion = [](void*, wl_touch*, std::uint32_t, std::int32_t, wl_fixed_t, wl_fixed_t) {},
    .frame = [](void*, wl_touch*) {},
    .cancel = [](void*, wl_touch*) {},
    .shape = nullptr,
    .orientation = nullptr};

Seat::Seat(Connection& connection, Global global, InputSink& sink)
    : sink_(sink),
      name_(global.name),
      seat_(Bind<wl_seat>(connection.registry, global, wl_seat_interface, 5)) {
    wl_seat_add_listener(seat_, &kSeatListener, this);
}

Seat::~Seat() {
    ReleasePointer();
    ReleaseKeyboard();
    Release(touch_, WL_TOUCH_RELEASE_SINCE_VERSION, wl_touch_release, wl_touch_destroy);
    ReleaseKeymap();
    if (xkb_ != nullptr) xkb_context_unref(xkb_);
    Release(seat_, WL_SEAT_RELEASE_SINCE_VERSION, wl_seat_release, wl_seat_destroy);
}

// Devices come and go (a virtual keyboard or pointer lives as long as its client): each is
// taken when the seat gains it and released when it loses it.
void Seat::OnCapabilities(void* data, wl_seat* seat, std::uint32_t capabilities) {
    auto* self = static_cast<Seat*>(data);
    const bool pointer = (capabilities & WL_SEAT_CAPABILITY_POINTER) != 0;
    if (pointer && self->pointer_ == nullptr) {
        self->pointer_ = wl_seat_get_pointer(seat);
        wl_pointer_add_listener(self->pointer_, &kPointerListener, self);
    } else if (!pointer) {
        self->ReleasePointer();
    }
    if ((capabilities & WL_SEAT_CAPABILITY_TOUCH) != 0 && self->touch_ == nullptr) {
        self->touch_ = wl_seat_get_touch(seat);
        wl_touch_add_listener(self->touch_, &kTouchListener, self);
    } else if ((capabilities & WL_SEAT_CAPABILITY_TOUCH) == 0) {
        Release(self->touch_, WL_TOUCH_RELEASE_SINCE_VERSION, wl_touch_release, wl_touch_destroy);
    }
    const bool keyboard = (capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
    if (keyboard && self->keyboard_ == nullptr) {
        self->keyboard_ = wl_seat_get_keyboard(seat);
        wl_keyboard_add_listener(self->keyboard_, &kKeyboardListener, self);
    } else if (!keyboard && self->keyboard_ != nullptr) {
        self->ReleaseKeyboard();
        self->sink_.FocusChanged();
    }
}

void Seat::ReleasePointer() {
    Release(pointer_, WL_POINTER_RELEASE_SINCE_VERSION, wl_pointer_release, wl_pointer_destroy);
    pointer_over_ = nullptr;
}

void Seat::ReleaseKeyboard() {
    Release(keyboard_, WL_KEYBOARD_RELEASE_SINCE_VERSION, wl_keyboard_release, wl_keyboard_destroy);
    focus_ = nullptr;
}

void Seat::Forget(wl_surface* surface) {
    if (pointer_over_ == surface) pointer_over_ = nullptr;
    if (focus_ == surface) focus_ = nullptr;
}

// The pointer is hidden anew at every entry, as the compositor sets its own cursor meanwhile.
void Seat::HidePointer() {
    if (pointer_over_ != nullptr) wl_pointer_set_cursor(pointer_, enter_serial_, nullptr, 0, 0);
}

void Seat::OnPointerEnter(void* data, wl_pointer*, std::uint32_t serial, wl_surface* surface,
                          wl_fixed_t x, wl_fixed_t y) {
    auto* self = static_cast<Seat*>(data);
    self->pointer_over_ = surface;
    self->enter_serial_ = serial;
    self->sink_.PointerEntered(*self, surface, wl_fixed_to_double(x), wl_fixed_to_double(y));
}

void Seat::OnPointerLeave(void* data, wl_pointer*, std::uint32_t, wl_surface*) {
    static_cast<Seat*>(data)->pointer_over_ = nullptr;
}

void Seat::OnPointerMotion(void* data, wl_pointer*, std::uint32_t, wl_fixed_t x, wl_fixed_t y) {
    auto* self = static_cast<Seat*>(data);
    self->sink_.PointerAt(self->pointer_over_, wl_fixed_to_double(x), wl_fixed_to_double(y));
}

void Seat::OnButton(void* data, wl_pointer*, std::uint32_t, std::uint32_t, std::uint32_t,
                    std::uint32_t state) {
    if (state == WL_POINTER_BUTTON_STATE_PRESSED) static_cast<Seat*>(data)->sink_.Pressed();
}

void Seat::OnTouchDown(void* data, wl_touch*, std::uint32_t, std::uint32_t, wl_surface*,
                       std::int32_t, wl_fixed_t, wl_fixed_t) {
    static_cast<Seat*>(data)->sink_.Pressed();
}

void Seat::OnKeymap(void* data, wl_keyboard*, std::uint32_t format, int fd, std::uint32_t size) {
    const posix::Fd keymap(fd);
    if (format != WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1) return;
    void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, keymap.get(), 0);
    if (text == MAP_FAILED) return;
    auto* self = static_cast<Seat*>(data);
    self->ReleaseKeymap();
    if (self->xkb_ == nullptr) self->xkb_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    self->keymap_ =
        xkb_keymap_new_from_string(self->xkb_, static_cast<const char*>(text),
                                   XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
    munmap(text, size);
    if (self->keymap_ != nullptr) self->keys_ = xkb_state_new(self->keymap_);
}

void Seat::ReleaseKeymap() {
    if (keys_ != nullptr) xkb_state_unref(keys_);
    if (keymap_ != nullptr) xkb_keymap_unref(keymap_);
    keys_ = nullptr;
    keymap_ = nullptr;
}

void Seat::OnKeyboardEnter(void* data, wl_keyboard*, std::uint32_t, wl_surface* surface,
                           wl_array*) {
    auto* self = static_cast<Seat*>(data);
    self->focus_ = surface;
    self->sink_.FocusChanged();
}

void Seat::OnKeyboardLeave(void* data, wl_keyboard*, std::uint32_t, wl_surface*) {
    auto* self = static_cast<Seat*>(data);
    self->focus_ = nullptr;
    self->sink_.FocusChanged();
}

void Seat::OnKey(void* data, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t key,
                 std::uint32_t state) {
    auto* self = static_cast<Seat*>(data);
    if (state != WL_KEYBOARD_KEY_STATE_PRESSED || self->keys_ == nullptr) return;
    const xkb_keycode_t code = key + 8;  // evdev to XKB
    self->sink_.KeyDown(xkb_state_key_get_one_sym(self->keys_, code),
                        xkb_state_key_get_utf32(self->keys_, code));
}

void Seat::OnModifiers(void* data, wl_keyboard*, std::uint32_t, std::uint32_t depressed,
                       std::uint32_t latched, std::uint32_t locked, std::uint32_t group) {
    auto* self = static_cast<Seat*>(data);
    if (self->keys_ != nullptr) {
        xkb_state_update_mask(self->keys_, depressed, latched, locked, 0, 0, group);
    }
}

}  // namespace glimra::wayland
