#pragma once
// One seat's input, each seat on its own: the pointer, the keyboard with its keymap, and the
// touch screen, taken and released as the seat's capabilities come and go.
#include <xkbcommon/xkbcommon.h>

#include <cstdint>

#include "platform/wayland/connection.h"

namespace glimra::wayland {

class Seat;

// Told what the seats' devices do. Each call is the last thing its caller does, so the sink
// may drop the seat there.
class InputSink {
  public:
    // The pointer came over a surface, or moved on it: surface-local units.
    virtual void PointerEntered(Seat& seat, wl_surface* surface, double x, double y) = 0;
    virtual void PointerAt(wl_surface* surface, double x, double y) = 0;
    virtual void Pressed() = 0;  // a button or a touch
    virtual void KeyDown(std::uint32_t keysym, std::uint32_t utf32) = 0;
    virtual void FocusChanged() = 0;  // a keyboard came to a surface or left one

  protected:
    ~InputSink() = default;
};

class Seat {
  public:
    Seat(Connection& connection, Global global, InputSink& sink);
    ~Seat();
    Seat(const Seat&) = delete;
    Seat& operator=(const Seat&) = delete;

    std::uint32_t name() const { return name_; }
    bool has_keyboard() const { return keyboard_ != nullptr; }
    wl_surface* focus() const { return focus_; }  // where its keyboard types, or null
    void Forget(wl_surface* surface);             // the surface is going
    void HidePointer();                           // over the surface it entered last

  private:
    static void OnCapabilities(void* data, wl_seat*, std::uint32_t capabilities);
    static void OnPointerEnter(void* data, wl_pointer*, std::uint32_t serial, wl_surface* surface,
                               wl_fixed_t x, wl_fixed_t y);
    static void OnPointerLeave(void* data, wl_pointer*, std::uint32_t, wl_surface*);
    static void OnPointerMotion(void* data, wl_pointer*, std::uint32_t, wl_fixed_t x, wl_fixed_t y);
    static void OnButton(void* data, wl_pointer*, std::uint32_t, std::uint32_t, std::uint32_t,
                         std::uint32_t state);
    static void OnKeymap(void* data, wl_keyboard*, std::uint32_t format, int fd,
                         std::uint32_t size);
    static void OnKeyboardEnter(void* data, wl_keyboard*, std::uint32_t, wl_surface* surface,
                                wl_array*);
    static void OnKeyboardLeave(void* data, wl_keyboard*, std::uint32_t, wl_surface*);
    static void OnKey(void* data, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t key,
                      std::uint32_t state);
    static void OnModifiers(void* data, wl_keyboard*, std::uint32_t, std::uint32_t depressed,
                            std::uint32_t latched, std::uint32_t locked, std::uint32_t group);
    static void OnTouchDown(void* data, wl_touch*, std::uint32_t, std::uint32_t, wl_surface*,
                            std::int32_t, wl_fixed_t, wl_fixed_t);
    static const wl_seat_listener kSeatListener;
    static const wl_pointer_listener kPointerListener;
    static const wl_keyboard_listener kKeyboardListener;
    static const wl_touch_listener kTouchListener;
    void ReleasePointer();
    void ReleaseKeyboard();
    void ReleaseKeymap();

    InputSink& sink_;
    std::uint32_t name_;
    wl_seat* seat_;
    wl_pointer* pointer_ = nullptr;
    wl_keyboard* keyboard_ = nullptr;
    wl_touch* touch_ = nullptr;
    wl_surface* pointer_over_ = nullptr;  // the surface the pointer entered last
    std::uint32_t enter_serial_ = 0;
    wl_surface* focus_ = nullptr;
    xkb_context* xkb_ = nullptr;
    xkb_keymap* keymap_ = nullptr;
    xkb_state* keys_ = nullptr;
};

}  // namespace glimra::wayland
