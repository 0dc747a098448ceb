#pragma once
// The core keyboard as XKB describes it, read through xkbcommon-x11: its keymap and its
// state, kept current by XKB's events, so that a key reads as the symbol and the character
// that it gives now (with Shift held, Caps Lock on, another layout chosen).
#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdint>

namespace glimra::x11 {

class Keyboard {
  public:
    Keyboard() = default;
    Keyboard(const Keyboard&) = delete;
    Keyboard& operator=(const Keyboard&) = delete;
    ~Keyboard() { Close(); }

    // Reads the keymap and the state, and asks for XKB's events from now on.
    void Open();
    void Close();
    // Takes XKB's events (a new keyboard, a new map, a new state); false for any other.
    bool Follow(const xcb_generic_event_t& event);

    struct Key {
        std::uint32_t keysym;
        std::uint32_t utf32;
    };
    // What the key gives; without XKB (no keymap), every key counts as a character, so that
    // any key still ends the saver.
    Key Read(xcb_keycode_t code) const;

  private:
    void LoadKeymap();

    xkb_context* context_ = nullptr;
    xkb_keymap* keymap_ = nullptr;
    xkb_state* state_ = nullptr;
    std::int32_t device_ = -1;
    std::uint8_t first_event_ = 0;  // XKB's one event code; its own type follows it
};

}  // namespace glimra::x11
