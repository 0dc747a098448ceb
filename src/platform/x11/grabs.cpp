#include "platform/x11/grabs.h"

#include "platform/x11/connection.h"

namespace glimra::x11 {

namespace {

// How long "/s" waits for another client to let the keyboard go.
constexpr std::chrono::seconds kKeyboardWait{5};

}  // namespace

void Grabs::Start(xcb_window_t window, xcb_window_t root) {
    window_ = window;
    root_ = root;
    keyboard_deadline_ = std::chrono::steady_clock::now() + kKeyboardWait;
    Take();
}

bool Grabs::Retry() {
    if (!Started() || (keyboard_ && pointer_)) return true;
    Take();
    return keyboard_ || std::chrono::steady_clock::now() < keyboard_deadline_;
}

void Grabs::Lost(bool unmapped) {
    if (unmapped) {
        mapped_ = false;
        pointer_ = false;
        keyboard_deadline_ = std::chrono::steady_clock::now() + kKeyboardWait;
    }
    keyboard_ = false;
    Take();
}

void Grabs::Release() {
    xcb_ungrab_keyboard(Connection(), XCB_CURRENT_TIME);
    xcb_ungrab_pointer(Connection(), XCB_CURRENT_TIME);
}

// Before the map the grabs are taken on the root window, which is always viewable. An
// override-redirect window is viewable as soon as its map is done, so the grabs move onto
// it right behind the map, in the same stream of requests: no key can slip between.
// Both grabs are asked for before either answer is awaited: one round trip, not two.
void Grabs::Take() {
    xcb_connection_t* connection = Connection();
    const xcb_window_t target = mapped_ ? window_ : root_;
    const bool keyboard_wanted = !keyboard_;
    const bool pointer_wanted = !pointer_;
    xcb_grab_keyboard_cookie_t keyboard{};
    xcb_grab_pointer_cookie_t pointer{};
    if (keyboard_wanted) {
        keyboard = xcb_grab_keyboard(connection, 1, target, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC,
                                     XCB_GRAB_MODE_ASYNC);
    }
    if (pointer_wanted) {
        pointer = xcb_grab_pointer(
            connection, 1, target, XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_POINTER_MOTION,
            XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE, XCB_CURRENT_TIME);
    }
    if (keyboard_wanted) {
        const auto reply = Answer(xcb_grab_keyboard_reply, keyboard);
        keyboard_ = reply != nullptr && reply->status == XCB_GRAB_STATUS_SUCCESS;
    }
    if (pointer_wanted) {
        const auto reply = Answer(xcb_grab_pointer_reply, pointer);
        pointer_ = reply != nullptr && reply->status == XCB_GRAB_STATUS_SUCCESS;
    }
    if (!keyboard_ || mapped_) return;
    const std::uint32_t above = XCB_STACK_MODE_ABOVE;
    xcb_configure_window(connection, window_, XCB_CONFIG_WINDOW_STACK_MODE, &above);
    xcb_map_window(connection, window_);
    mapped_ = true;
    keyboard_ = false;
    pointer_ = false;
    Take();
}

}  // namespace glimra::x11
