#pragma once
// The full-screen window's hold on the keyboard and the pointer, and its map. A saver must
// never cover a window that still gets the typing: the window maps only once the keyboard
// is grabbed. Another client may hold a grab (an open menu): the grabs are tried again at
// every tick and whenever the window loses them, and without the keyboard after a while the
// saver ends, as a blank screen over a window that takes the keys is worse than none.
#include <xcb/xcb.h>

#include <chrono>

namespace glimra::x11 {

class Grabs {
  public:
    // The window is to be seen from now on, once the keyboard is had.
    void Start(xcb_window_t window, xcb_window_t root);
    bool Started() const { return window_ != XCB_NONE; }
    bool Mapped() const { return mapped_; }
    // At every tick, until both grabs are held; false once the keyboard has not been had
    // for the whole wait.
    bool Retry();
    // Another client unmapped the window (the server dropped the grabs with it), or broke the
    // keyboard's grab: they are taken again, the window mapped again.
    void Lost(bool unmapped);
    static void Release();  // both grabs, wherever they are

  private:
    void Take();

    xcb_window_t window_ = XCB_NONE;
    xcb_window_t root_ = XCB_NONE;
    bool mapped_ = false;
    bool keyboard_ = false;  // grabbed, on the window once mapped, on the root before
    bool pointer_ = false;
    std::chrono::steady_clock::time_point keyboard_deadline_;  // without it by then: the end
};

}  // namespace glimra::x11
