// Form1's window over Xlib: an override-redirect window over the primary monitor, a child
// of a preview host, or, in a screen-saver host's display mode, the host's window itself.
// Black background and no backing store, so an exposed part shows black.
#include <X11/Xlib-xcb.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>

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

// A colour 0xBBGGRR as a pixel of a true-colour visual.
unsigned long Pixel(const Visual* visual, std::uint32_t colour) {
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
        if (loaded_) events_.Timer1_Timer();
    }
    // A host ends a display mode with SIGTERM; a terminal user the saver with SIGINT.
    void OnEndingSignal() override { Unload(); }

  private:
    static void OnEvent(const XEvent& event, void* self);
    void Handle(const XEvent& event);
    void Grab();

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
        attributes.event_mask =
            ButtonPressMask | KeyPressMask | PointerMotionMask | StructureNotifyMask;
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
        width_ = monitor.width;
        height_ = monitor.height;
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

void X11SaverWindow::Show() {
    if (!own_window_) return;
    XMapRaised(display_, window_);
    XEvent event;
    do {
        XWindowEvent(display_, window_, StructureNotifyMask, &event);
    } while (event.type != MapNotify);
    Grab();
}

// Input goes to the saver however the pointer or focus stood, as with any screen saver.
// Another client may hold a grab for a moment (a menu, a key being held), so retry a while.
void X11SaverWindow::Grab() {
    bool keyboard = false;
    bool pointer = false;
    for (int attempt = 0; attempt < 25 && !(keyboard && pointer); ++attempt) {
        if (attempt > 0) usleep(20000);
        keyboard = keyboard || XGrabKeyboard(display_, window_, True, GrabModeAsync, GrabModeAsync,
                                             CurrentTime) == GrabSuccess;
        pointer = pointer || XGrabPointer(display_, window_, True,
                                          ButtonPressMask | PointerMotionMask, GrabModeAsync,
                                          GrabModeAsync, None, None, CurrentTime) == GrabSuccess;
    }
}

void X11SaverWindow::ShowCursor(bool show) {
    cursor_count_ += show ? 1 : -1;
    if (!loaded_ || !own_window_) return;
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

void X11SaverWindow::Cls() {
    XSetForeground(display_, gc_, Pixel(visual_, 0));
    XFillRectangle(display_, window_, gc_, 0, 0, static_cast<unsigned>(width_),
                   static_cast<unsigned>(height_));
}

// A solid disc draw_width pixels across in the square that DotBox gives; the server clips
// it to the window.
void X11SaverWindow::PSet(float x, float y, std::uint32_t colour) {
    const int px = static_cast<int>(std::floor(x / twips_));
    const int py = static_cast<int>(std::floor(y / twips_));
    XSetForeground(display_, gc_, Pixel(visual_, colour));
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

}  // namespace

}  // namespace glimra::platform

namespace glimra::x11 {

std::unique_ptr<platform::SaverWindow> NewSaverWindow(
    platform::SaverEvents& events, std::optional<platform::HostHandle> host_window) {
    return std::make_unique<platform::X11SaverWindow>(events, host_window);
}

}  // namespace glimra::x11
