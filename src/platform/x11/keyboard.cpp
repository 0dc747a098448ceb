#include "platform/x11/keyboard.h"

#include <xkbcommon/xkbcommon-x11.h>

// XCB's XKB header names a member `explicit`, a keyword of C++.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

#include "platform/x11/connection.h"

namespace glimra::x11 {

namespace {

constexpr std::uint16_t kEvents = XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY |
                                  XCB_XKB_EVENT_TYPE_MAP_NOTIFY | XCB_XKB_EVENT_TYPE_STATE_NOTIFY;
// The parts of the map that xkbcommon reads.
constexpr std::uint16_t kMapParts =
    XCB_XKB_MAP_PART_KEY_TYPES | XCB_XKB_MAP_PART_KEY_SYMS | XCB_XKB_MAP_PART_MODIFIER_MAP |
    XCB_XKB_MAP_PART_EXPLICIT_COMPONENTS | XCB_XKB_MAP_PART_KEY_ACTIONS |
    XCB_XKB_MAP_PART_VIRTUAL_MODS | XCB_XKB_MAP_PART_VIRTUAL_MOD_MAP;
constexpr std::uint16_t kStateParts =
    XCB_XKB_STATE_PART_MODIFIER_BASE | XCB_XKB_STATE_PART_MODIFIER_LATCH |
    XCB_XKB_STATE_PART_MODIFIER_LOCK | XCB_XKB_STATE_PART_GROUP_BASE |
    XCB_XKB_STATE_PART_GROUP_LATCH | XCB_XKB_STATE_PART_GROUP_LOCK;

// What every XKB event starts with.
struct XkbEventHead {
    std::uint8_t response_type;
    std::uint8_t xkb_type;
    std::uint16_t sequence;
    xcb_timestamp_t time;
    std::uint8_t device;
};

}  // namespace

void Keyboard::Open() {
    xcb_connection_t* connection = Connection();
    if (xkb_x11_setup_xkb_extension(
            connection, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
            XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, &first_event_, nullptr) == 0) {
        return;
    }
    device_ = xkb_x11_get_core_keyboard_device_id(connection);
    if (device_ < 0) return;
    xcb_xkb_select_events_details_t details{};
    details.affectNewKeyboard = details.newKeyboardDetails = XCB_XKB_NKN_DETAIL_KEYCODES;
    details.affectState = details.stateDetails = kStateParts;
    xcb_xkb_select_events_aux(connection, static_cast<xcb_xkb_device_spec_t>(device_), kEvents, 0,
                              kEvents, kMapParts, kMapParts, &details);
    context_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    LoadKeymap();
}

void Keyboard::LoadKeymap() {
    if (context_ == nullptr) return;
    xkb_keymap* keymap = xkb_x11_keymap_new_from_device(context_, Connection(), device_,
                                                        XKB_KEYMAP_COMPILE_NO_FLAGS);
    xkb_state* state =
        keymap != nullptr ? xkb_x11_state_new_from_device(keymap, Connection(), device_) : nullptr;
    if (state == nullptr) {  // the old keymap stays
        xkb_keymap_unref(keymap);
        return;
    }
    xkb_state_unref(state_);
    xkb_keymap_unref(keymap_);
    keymap_ = keymap;
    state_ = state;
}

void Keyboard::Close() {
    xkb_state_unref(state_);
    xkb_keymap_unref(keymap_);
    xkb_context_unref(context_);
    state_ = nullptr;
    keymap_ = nullptr;
    context_ = nullptr;
}

bool Keyboard::Follow(const xcb_generic_event_t& event) {
    if (first_event_ == 0 || (event.response_type & 0x7F) != first_event_) return false;
    const auto& head = reinterpret_cast<const XkbEventHead&>(event);
    if (head.device != device_) return true;
    if (head.xkb_type == XCB_XKB_STATE_NOTIFY && state_ != nullptr) {
        const auto& notify = reinterpret_cast<const xcb_xkb_state_notify_event_t&>(event);
        xkb_state_update_mask(state_, notify.baseMods, notify.latchedMods, notify.lockedMods,
                              static_cast<xkb_layout_index_t>(notify.baseGroup),
                              static_cast<xkb_layout_index_t>(notify.latchedGroup),
                              notify.lockedGroup);
    } else if (head.xkb_type == XCB_XKB_MAP_NOTIFY ||
               (head.xkb_type == XCB_XKB_NEW_KEYBOARD_NOTIFY &&
                (reinterpret_cast<const xcb_xkb_new_keyboard_notify_event_t&>(event).changed &
                 XCB_XKB_NKN_DETAIL_KEYCODES) != 0)) {
        LoadKeymap();
    }
    return true;
}

Keyboard::Key Keyboard::Read(xcb_keycode_t code) const {
    if (state_ == nullptr) return {0, 1};
    return {xkb_state_key_get_one_sym(state_, code), xkb_state_key_get_utf32(state_, code)};
}

}  // namespace glimra::x11
