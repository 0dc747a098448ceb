// Form1's window over Xlib: an override-redirect window over the primary monitor, a child
// of a preview host, or, in a screen-saver host's display mode, the host's window itself.
// Black background and no backing store, so an exposed part shows black.
#include <X11/Xlib-xcb.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/forms.h"
#include "platform/platform.h"
#include "platform/posix/owners.h"
#include "platform/posix/process.h"
#include "platform/posix/saver_loop.h"
#include "platform/saver_window.h"
#include "platform/x11/connection.h"
#include "platform/x11/saver_window.h"
#include "platform/x11/screen.h"

namespace glimra::platform {

const HostHandleForm kHostHandleForm = HostHandleForm::kX11;

namespace {

// How long "/s" waits for another client to let the keyboard go.
constexpr std::chrono::seconds kKeyboardWait{5};

// A colour 0xBBGGRR as a pixel of a true-colour visual.
unsigned long TrueColourPixel(const Visual* visual, std::uint32_t colour) {
    const auto channel = [](unsigned long mask, std::uint32_t value) {
        if (mask == 0) return 0UL;
        int shift = 0;
        while (((mask >> shift) & 1) == 0) ++shift;
        int bits = 0;
        while (((mask >> (shift + bits)) & 1) != 0) ++bits;
        const unsigned long scaled = bits >= 8 ? value << (bits - 8) : value >> (8 - bits);
        return (scaled << shift) & mask;
    };
    return channel(visual->red_mask, colour & 0xFF) |
           channel(visual->green_mask, (colour >> 8) & 0xFF) |
           channel(visual->blue_mask, (colour >> 16) & 0xFF);
}

// Escape, Return, Space, letters, digits give a character; Shift, arrows and F-keys none.
// Delete gives 0x7F here but no character on Windows, so it does not count either.
bool ProducesCharacter(XKeyEvent key) {
    char text[8];
    KeySym keysym = NoSymbol;
    const int length = XLookupString(&key, text, sizeof text, &keysym, nullptr);
    return length > 0 && keysym != XK_Delete && keysym != XK_KP_Delete;
}

Atom AtomOf(xcb_connection_t* connection, xcb_intern_atom_cookie_t cookie) {
    const posix::Malloced<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(connection, cookie, nullptr));
    return reply != nullptr ? reply->atom : None;
}

// A cursor with a cleared mask, made by the core requests themselves: Xlib's own cursor
// calls first load libXcursor, which reads cursor themes and queries Render for nothing.
Cursor BlankCursor(Display* display, Window window) {
    xcb_connection_t* connection = XGetXCBConnection(display);
    const xcb_pixmap_t empty = xcb_generate_id(connection);
    xcb_create_pixmap(connection, 1, empty, static_cast<xcb_drawable_t>(window), 1, 1);
    const xcb_gcontext_t zero = xcb_generate_id(connection);  // foreground 0 by default
    xcb_create_gc(connection, zero, empty, 0, nullptr);
    const xcb_rectangle_t pixel{0, 0, 1, 1};
    xcb_poly_fill_rectangle(connection, empty, zero, 1, &pixel);
    xcb_free_gc(connection, zero);
    const xcb_cursor_t cursor = xcb_generate_id(connection);
    xcb_create_cursor(connection, cursor, empty, empty, 0, 0, 0, 0, 0, 0, 0, 0);
    xcb_free_pixmap(connection, empty);
    return cursor;
}

class X11SaverWindow final : public SaverWindow, public Surface, public posix::SaverLoopClient {
  public:
    X11SaverWindow(SaverEvents& events, std::optional<HostHandle> host_window)
        : events_(events), host_window_(host_window) {}
    ~X11SaverWindow() override { Unload(); }

    void Load(std::int32_t interval_ms) override;
    bool Loaded() const override { return loaded_; }
    void Show() override;
    void SetDrawWidth(int pixels) override { draw_width_ = pixels; }
    void MakeTopmost() override {
        if (own_window_) XRaiseWindow(display_, window_);
    }
    void ShowCursor(bool show) override;
    bool AttachToPreview(HostHandle host) override;
    Surface& surface() override { return *this; }
    void Unload() override;

    float Width() const override { return static_cast<float>(width_) * twips_; }
    float Height() const override { return static_cast<float>(height_) * twips_; }
    void Cls() override;
    void PSet(float x, float y, std::uint32_t colour) override;

    int DisplayFd() const override { return ConnectionNumber(display_); }
    void BeforePoll() override { x11::DeliverQueued(); }
    void AfterPoll(short revents) override {
        if (revents != 0) x11::ReadAndDeliver();
    }
    void OnTimer() override {
        RetryGrabs();
        if (loaded_) events_.Timer1_Timer();
    }
    // A host ends a display mode with SIGTERM; a terminal user the saver with SIGINT.
    void OnEndingSignal() override { EndOnSignal(); }

  private:
    static void OnEvent(const XEvent& event, void* self);
    void Handle(const XEvent& event);
    void HandleOwnWindow(const XEvent& event);
    void RetryGrabs();
    void TryGrabs();
    void CoverPrimaryMonitor();
    unsigned long PixelOf(std::uint32_t colour);
    [[noreturn]] void EndOnSignal();

    SaverEvents& events_;
    std::optional<HostHandle> host_window_;  // a display mode's window; 0: the root window
    Display* display_ = nullptr;
    Window window_ = None;
    Window host_ = None;  // the preview's host, whose size the window follows
    bool own_window_ = true;
    bool loaded_ = false;
    bool destroyed_ = false;
    GC gc_ = nullptr;
    Visual* visual_ = nullptr;
    Colormap colormap_ = None;
    std::vector<unsigned long> allocated_;  // colour cells of the dots since the last Cls
    bool showing_ = false;                  // Show has run: the window is to be seen
    bool mapped_ = false;
    bool keyboard_ = false;  // grabbed, on the window once mapped, on the root before
    bool pointer_ = false;
    std::chrono::steady_clock::time_point keyboard_deadline_;  // without it by then: the end
    bool ending_ = false;    // a signal came: no request may go out any more
    int screen_change_ = 0;  // RandR's screen-change event type
    int width_ = 0;
    int height_ = 0;
    float twips_ = 15;
    int draw_width_ = 1;
    int cursor_count_ = 0;  // the pointer shows while this is 0 or more
    Cursor blank_ = None;
    Atom close_ = None;  // WM_DELETE_WINDOW
};

void X11SaverWindow::Load(std::int32_t interval_ms) {
    if (loaded_) return;
    display_ = x11::Connection();
    twips_ = x11::TwipsPerPixel(display_);
    const int screen = DefaultScreen(display_);
    if (host_window_) {
        window_ =
            *host_window_ != 0 ? static_cast<Window>(*host_window_) : RootWindow(display_, screen);
        XWindowAttributes host{};
        if (!XGetWindowAttributes(display_, window_, &host)) End();
        own_window_ = false;
        visual_ = host.visual;
        colormap_ = host.colormap;
        width_ = host.width;
        height_ = host.height;
        XSelectInput(display_, window_, StructureNotifyMask);  // the host owns input
    } else {
        // The atoms' requests go out with the monitor's, so they cost no round trip of their own.
        xcb_connection_t* connection = XGetXCBConnection(display_);
        const auto protocols = xcb_intern_atom(connection, 0, 12, "WM_PROTOCOLS");
        const auto close = xcb_intern_atom(connection, 0, 16, "WM_DELETE_WINDOW");
        const x11::Rect monitor = x11::PrimaryMonitor(display_);
        XSetWindowAttributes attributes{};
        attributes.background_pixel = BlackPixel(display_, screen);
        attributes.backing_store = NotUseful;
        attributes.override_redirect = True;
        attributes.event_mask = ButtonPressMask | KeyPressMask | PointerMotionMask |
                                StructureNotifyMask | FocusChangeMask;
        window_ = XCreateWindow(
            display_, RootWindow(display_, screen), monitor.x, monitor.y,
            static_cast<unsigned>(monitor.width), static_cast<unsigned>(monitor.height), 0,
            CopyFromParent, InputOutput, CopyFromParent,
            CWBackPixel | CWBackingStore | CWOverrideRedirect | CWEventMask, &attributes);
        XStoreName(display_, window_, "Form1");
        close_ = AtomOf(connection, close);
        XChangeProperty(display_, window_, AtomOf(connection, protocols), XA_ATOM, 32,
                        PropModeReplace, reinterpret_cast<unsigned char*>(&close_), 1);
        visual_ = DefaultVisual(display_, screen);
        colormap_ = DefaultColormap(display_, screen);
        width_ = monitor.width;
        height_ = monitor.height;
        screen_change_ = x11::WatchScreenChanges(display_);
    }
    gc_ = XCreateGC(display_, window_, 0, nullptr);
    // The run-time error box must be usable over a full-screen saver.
    posix::OnBeforeErrorBox([] {
        XUngrabKeyboard(x11::Connection(), CurrentTime);
        XUngrabPointer(x11::Connection(), CurrentTime);
        XFlush(x11::Connection());
    });
    if (!own_window_) Cls();  // the host's window is black from the load on, as Form1 is
    x11::SetEventHandler(&X11SaverWindow::OnEvent, this);
    loaded_ = true;
    FormLoaded();
    posix::StartSaverLoop(*this, interval_ms);
}

// A saver must never cover a window that still gets the typing: the window maps only once
// the keyboard is grabbed. Another client may hold a grab (an open menu): the grabs are
// tried again at every tick and whenever the window loses them, and without the keyboard
// after kKeyboardWait the saver ends, as a blank screen over a window that takes the keys
// is worse than none.
void X11SaverWindow::Show() {
    if (!own_window_ || showing_) return;
    showing_ = true;
    keyboard_deadline_ = std::chrono::steady_clock::now() + kKeyboardWait;
    TryGrabs();
}

// Before the map the grabs are taken on the root window, which is always viewable. An
// override-redirect window is viewable as soon as its map is done, so the grabs move onto
// it right behind the map, in the same stream of requests: no key can slip between.
// Both grabs are asked for before either answer is awaited: one round trip, not two.
void X11SaverWindow::TryGrabs() {
    xcb_connection_t* connection = XGetXCBConnection(display_);
    const auto target = static_cast<xcb_window_t>(mapped_ ? window_ : DefaultRootWindow(display_));
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
        const posix::Malloced<xcb_grab_keyboard_reply_t> reply(
            xcb_grab_keyboard_reply(connection, keyboard, nullptr));
        keyboard_ = reply != nullptr && reply->status == XCB_GRAB_STATUS_SUCCESS;
    }
    if (pointer_wanted) {
        const posix::Malloced<xcb_grab_pointer_reply_t> reply(
            xcb_grab_pointer_reply(connection, pointer, nullptr));
        pointer_ = reply != nullptr && reply->status == XCB_GRAB_STATUS_SUCCESS;
    }
    if (!keyboard_ || mapped_) return;
    XMapRaised(display_, window_);
    mapped_ = true;
    keyboard_ = false;
    pointer_ = false;
    TryGrabs();
}

// At every tick, until both grabs are held.
void X11SaverWindow::RetryGrabs() {
    if (!showing_ || (keyboard_ && pointer_)) return;
    TryGrabs();
    if (keyboard_ || std::chrono::steady_clock::now() < keyboard_deadline_) return;
    std::fputs("lumeck: another client holds the keyboard; the saver does not blank over it\n",
               stderr);
    Unload();
    _exit(1);
}

// RandR changed the screen (a head turned off, another made primary): the window follows
// the primary monitor, or the whole screen when there is none any more.
void X11SaverWindow::CoverPrimaryMonitor() {
    const x11::Rect monitor = x11::PrimaryMonitor(display_);
    XMoveResizeWindow(display_, window_, monitor.x, monitor.y, static_cast<unsigned>(monitor.width),
                      static_cast<unsigned>(monitor.height));
    XRaiseWindow(display_, window_);
}

void X11SaverWindow::ShowCursor(bool show) {
    cursor_count_ += show ? 1 : -1;
    if (!loaded_ || !own_window_ || ending_) return;
    if (cursor_count_ >= 0) {
        XUndefineCursor(display_, window_);
        return;
    }
    if (blank_ == None) blank_ = BlankCursor(display_, window_);
    XDefineCursor(display_, window_, blank_);
}

bool X11SaverWindow::AttachToPreview(HostHandle host) {
    if (!loaded_ || !own_window_ || host <= 0 || host > 0xFFFFFFFF) return false;
    const auto parent = static_cast<Window>(host);
    XWindowAttributes attributes{};
    if (parent == window_ || parent == DefaultRootWindow(display_) ||
        !XGetWindowAttributes(display_, parent, &attributes)) {
        return false;
    }
    // The reparent fails (BadMatch) under an InputOnly host or one on another screen: the
    // window would stay a stray top-level window, so the preview ends instead.
    if (attributes.c_class == InputOnly || attributes.root != DefaultRootWindow(display_)) {
        return false;
    }
    host_ = parent;
    XSelectInput(display_, window_, StructureNotifyMask);  // the host owns input
    XSelectInput(display_, host_, StructureNotifyMask);    // its resizes
    XReparentWindow(display_, window_, host_, 0, 0);
    XResizeWindow(display_, window_, static_cast<unsigned>(attributes.width),
                  static_cast<unsigned>(attributes.height));
    width_ = attributes.width;
    height_ = attributes.height;
    XMapWindow(display_, window_);
    XSync(display_, False);  // a host gone meanwhile shows up as BadWindow, then unloads
    return true;
}

void X11SaverWindow::Unload() {
    if (!loaded_) return;
    events_.Form_Unload();
    loaded_ = false;
    posix::StopSaverLoop();
    if (own_window_) {
        XUngrabKeyboard(display_, CurrentTime);
        XUngrabPointer(display_, CurrentTime);
        if (!destroyed_) XDestroyWindow(display_, window_);
    } else if (!destroyed_) {
        XSelectInput(display_, window_, NoEventMask);
    }
    if (host_ != None) XSelectInput(display_, host_, NoEventMask);
    XFreeGC(display_, gc_);
    if (blank_ != None) XFreeCursor(display_, blank_);
    blank_ = None;
    XSync(display_, False);
    FormUnloaded();
}

// After SIGTERM or SIGINT the form unloads, and the process ends without another request:
// a stopped server would never answer, and closing the connection frees the window and
// the grabs anyway.
void X11SaverWindow::EndOnSignal() {
    ending_ = true;
    if (loaded_) Guarded([this] { events_.Form_Unload(); });
    End();
}

void X11SaverWindow::Cls() {
    std::vector<unsigned long> painted = std::move(allocated_);
    allocated_.clear();
    XSetForeground(display_, gc_, PixelOf(0));
    XFillRectangle(display_, window_, gc_, 0, 0, static_cast<unsigned>(width_),
                   static_cast<unsigned>(height_));
    if (!painted.empty()) {
        XFreeColors(display_, colormap_, painted.data(), static_cast<int>(painted.size()), 0);
    }
}

// A true-colour visual takes the colour as it is; any other (an 8-bit PseudoColor screen)
// needs a cell of its colour map, held until the next Cls. A full map gives white.
unsigned long X11SaverWindow::PixelOf(std::uint32_t colour) {
    if (visual_->c_class == TrueColor) return TrueColourPixel(visual_, colour);
    XColor cell{};
    cell.red = static_cast<unsigned short>((colour & 0xFF) * 0x101);
    cell.green = static_cast<unsigned short>(((colour >> 8) & 0xFF) * 0x101);
    cell.blue = static_cast<unsigned short>(((colour >> 16) & 0xFF) * 0x101);
    if (XAllocColor(display_, colormap_, &cell) == 0) {
        return WhitePixel(display_, DefaultScreen(display_));
    }
    allocated_.push_back(cell.pixel);
    return cell.pixel;
}

// A solid disc draw_width pixels across in the square that DotBox gives; the server clips
// it to the window.
void X11SaverWindow::PSet(float x, float y, std::uint32_t colour) {
    const int px = static_cast<int>(std::floor(x / twips_));
    const int py = static_cast<int>(std::floor(y / twips_));
    XSetForeground(display_, gc_, PixelOf(colour));
    if (draw_width_ <= 1) {
        XDrawPoint(display_, window_, gc_, px, py);
        return;
    }
    const PixelBox box = DotBox(px, py, draw_width_);
    const auto size = static_cast<unsigned>(box.right - box.left);
    XFillArc(display_, window_, gc_, box.left, box.top, size, size, 0, 360 * 64);
}

void X11SaverWindow::OnEvent(const XEvent& event, void* self) {
    static_cast<X11SaverWindow*>(self)->Handle(event);
}

void X11SaverWindow::Handle(const XEvent& event) {
    if (!loaded_) return;
    if (own_window_ && host_ == None) HandleOwnWindow(event);
    switch (event.type) {
        case ButtonPress:
            if (event.xbutton.window == window_) events_.Form_Click();
            break;
        case KeyPress:
            if (event.xkey.window == window_ && ProducesCharacter(event.xkey)) {
                events_.Form_KeyPress();
            }
            break;
        case MotionNotify:
            if (event.xmotion.window == window_) {
                events_.Form_MouseMove(static_cast<float>(event.xmotion.x) * twips_,
                                       static_cast<float>(event.xmotion.y) * twips_);
            }
            break;
        case ConfigureNotify:
            if (event.xconfigure.window == host_) {
                XResizeWindow(display_, window_, static_cast<unsigned>(event.xconfigure.width),
                              static_cast<unsigned>(event.xconfigure.height));
            } else if (event.xconfigure.window == window_) {
                width_ = event.xconfigure.width;
                height_ = event.xconfigure.height;
            }
            break;
        case DestroyNotify:
            if (event.xdestroywindow.window == window_ || event.xdestroywindow.window == host_) {
                destroyed_ = true;
                Unload();
            }
            break;
        case ClientMessage:
            if (event.xclient.window == window_ && event.xclient.format == 32 &&
                static_cast<Atom>(event.xclient.data.l[0]) == close_) {
                Unload();
            }
            break;
        default:
            break;
    }
}

// The full-screen window's own watch: a window unmapped by another client maps again
// (never running on unseen, holding the lock), and the window follows RandR's changes of
// the screen.
void X11SaverWindow::HandleOwnWindow(const XEvent& event) {
    if (event.type == screen_change_ && screen_change_ != 0) {
        CoverPrimaryMonitor();
        return;
    }
    if (event.xany.window != window_ || !showing_) return;
    if (event.type == UnmapNotify) {
        mapped_ = false;  // the server has dropped the grabs on it
        keyboard_ = false;
        pointer_ = false;
        keyboard_deadline_ = std::chrono::steady_clock::now() + kKeyboardWait;
        TryGrabs();
    } else if (event.type == FocusOut && event.xfocus.mode == NotifyUngrab && mapped_) {
        keyboard_ = false;
        TryGrabs();
    }
}

}  // namespace

}  // namespace glimra::platform

namespace glimra::x11 {

std::unique_ptr<platform::SaverWindow> NewSaverWindow(
    platform::SaverEvents& events, std::optional<platform::HostHandle> host_window) {
    return std::make_unique<platform::X11SaverWindow>(events, host_window);
}

}  // namespace glimra::x11
