// Form1's window over XCB: an override-redirect window over the whole root window (every
// monitor), a child of a preview host, or, in a screen-saver host's display mode, the host's
// window itself. Black background and no backing store, so an exposed part shows black.
#include "platform/x11/saver_window.h"

#include <unistd.h>

#include <cstdio>
#include <string_view>

#include "platform/platform.h"
#include "platform/posix/process.h"
#include "platform/posix/saver_loop.h"
#include "platform/saver_base.h"
#include "platform/x11/connection.h"
#include "platform/x11/grabs.h"
#include "platform/x11/keyboard.h"
#include "platform/x11/painter.h"
#include "platform/x11/screen.h"

namespace glimra::x11 {

namespace {

constexpr std::uint32_t kOwnEvents = XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_KEY_PRESS |
                                     XCB_EVENT_MASK_POINTER_MOTION |
                                     XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_FOCUS_CHANGE;
constexpr std::uint32_t kSizeEvents = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
constexpr char kClass[] = "lumeck\0Glimra";  // WM_CLASS: the instance's name, the class's

template <typename Event>
const Event& As(const xcb_generic_event_t& event) {
    return reinterpret_cast<const Event&>(event);
}

xcb_atom_t AtomOf(xcb_intern_atom_cookie_t cookie) {
    const auto reply = Answer(xcb_intern_atom_reply, cookie);
    return reply != nullptr ? reply->atom : XCB_NONE;
}

void SetProperty(xcb_window_t window, xcb_atom_t name, xcb_atom_t type, std::string_view bytes) {
    xcb_change_property(Connection(), XCB_PROP_MODE_REPLACE, window, name, type, 8,
                        static_cast<std::uint32_t>(bytes.size()), bytes.data());
}

void SelectEvents(xcb_window_t window, std::uint32_t events) {
    xcb_change_window_attributes(Connection(), window, XCB_CW_EVENT_MASK, &events);
}

void Raise(xcb_window_t window) {
    const std::uint32_t above = XCB_STACK_MODE_ABOVE;
    xcb_configure_window(Connection(), window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
}

// A round trip: the errors of the requests before it are in by then.
void Sync() {
    std::free(xcb_get_input_focus_reply(Connection(), xcb_get_input_focus(Connection()), nullptr));
}

class X11SaverWindow final : public platform::SaverWindowBase, public posix::SaverLoopClient {
  public:
    X11SaverWindow(platform::SaverEvents& events, std::optional<platform::HostHandle> host_window)
        : SaverWindowBase(events), host_window_(host_window) {}
    ~X11SaverWindow() override { Unload(); }

    void Show() override;
    void MakeTopmost() override {
        if (own_window_) Raise(window_);
    }
    bool AttachToPreview(platform::HostHandle host) override;

    int DisplayFd() const override { return xcb_get_file_descriptor(Connection()); }
    void BeforePoll() override { DeliverQueued(); }
    void AfterPoll(short revents) override {
        if (revents != 0) ReadAndDeliver();
    }
    void OnTimer() override {
        RetryGrabs();
        Tick();
    }
    // A host ends a display mode with SIGTERM; a terminal user the saver with SIGINT. The
    // process ends without another request: a stopped server would never answer, and closing
    // the connection frees the window and the grabs anyway.
    void OnEndingSignal() override {
        UnloadForEnd();
        platform::End();
    }

  private:
    void OpenWindow(std::int32_t interval_ms) override;
    void CloseWindow() override;
    void ShowPointer(bool show) override;
    void ClearMonitors() override;
    void DrawDot(std::size_t, PixelBox box, std::uint32_t colour) override {
        painter_.Dot(box, colour);
    }

    void OpenOwnWindow();
    void OpenHostWindow();
    void SetSize(int width, int height) { SetMonitors({{0, 0, width, height, 1}}); }
    static void OnEvent(const xcb_generic_event_t& event, void* self);
    void Handle(const xcb_generic_event_t& event);
    void Configured(const xcb_configure_notify_event_t& event);
    void KeyPress(const xcb_key_press_event_t& event);
    void RetryGrabs();

    std::optional<platform::HostHandle> host_window_;  // a display mode's window; 0: the root
    xcb_window_t root_ = XCB_NONE;
    xcb_window_t window_ = XCB_NONE;
    xcb_window_t host_ = XCB_NONE;  // the preview's host, whose size the window follows
    bool own_window_ = true;
    bool destroyed_ = false;
    Painter painter_;
    Keyboard keyboard_;
    Grabs grabs_;  // started by Show: the window is to be seen, over the whole root
    xcb_cursor_t blank_ = XCB_NONE;
    xcb_atom_t close_ = XCB_NONE;  // WM_DELETE_WINDOW
};

void X11SaverWindow::OpenWindow(std::int32_t interval_ms) {
    const xcb_screen_t& screen = Screen();
    SetTwipsPerUnit(TwipsPerPixel(screen));
    root_ = screen.root;
    if (host_window_) {
        OpenHostWindow();
        ClearMonitors();  // the host's window is black from the load on, as Form1 is
    } else {
        OpenOwnWindow();
    }
    // The run-time error box must be usable over a full-screen saver.
    posix::OnBeforeErrorBox([] {
        Grabs::Release();
        xcb_flush(Connection());
    });
    SetEventHandler(&X11SaverWindow::OnEvent, this);
    posix::StartSaverLoop(*this, interval_ms);
}

// The atoms' requests go out with the window's, so they cost one round trip for all.
void X11SaverWindow::OpenOwnWindow() {
    xcb_connection_t* connection = Connection();
    const xcb_screen_t& screen = Screen();
    const auto protocols = xcb_intern_atom(connection, 0, 12, "WM_PROTOCOLS");
    const auto close = xcb_intern_atom(connection, 0, 16, "WM_DELETE_WINDOW");
    AskWhetherXwayland();
    window_ = xcb_generate_id(connection);
    const std::uint32_t values[] = {screen.black_pixel, XCB_BACKING_STORE_NOT_USEFUL, 1,
                                    kOwnEvents};
    xcb_create_window(
        connection, XCB_COPY_FROM_PARENT, window_, root_, 0, 0, screen.width_in_pixels,
        screen.height_in_pixels, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
        XCB_CW_BACK_PIXEL | XCB_CW_BACKING_STORE | XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK,
        values);
    SetProperty(window_, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, "Form1");
    SetProperty(window_, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, {kClass, sizeof kClass});
    close_ = AtomOf(close);
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window_, AtomOf(protocols),
                        XCB_ATOM_ATOM, 32, 1, &close_);
    painter_.Open(window_, screen.root_visual, screen.default_colormap);
    SetSize(screen.width_in_pixels, screen.height_in_pixels);
}

// A host's window that cannot be read (none of that id) ends the process at once.
void X11SaverWindow::OpenHostWindow() {
    own_window_ = false;
    if (*host_window_ < 0 || *host_window_ > 0xFFFFFFFF) platform::End();
    window_ = *host_window_ != 0 ? static_cast<xcb_window_t>(*host_window_) : root_;
    const auto attributes_asked = xcb_get_window_attributes(Connection(), window_);
    const auto geometry_asked = xcb_get_geometry(Connection(), window_);
    const auto attributes = Answer(xcb_get_window_attributes_reply, attributes_asked);
    const auto geometry = Answer(xcb_get_geometry_reply, geometry_asked);
    if (attributes == nullptr || geometry == nullptr) platform::End();
    SelectEvents(window_, kSizeEvents);  // the host owns input
    painter_.Open(window_, attributes->visual, attributes->colormap);
    SetSize(geometry->width, geometry->height);
}

// Under Xwayland no grab holds the keyboard, so the saver never shows there.
void X11SaverWindow::Show() {
    if (!own_window_ || grabs_.Started()) return;
    if (OnXwayland()) {
        std::fputs(
            "lumeck: the X server is Xwayland, where the compositor and not an X11 grab "
            "holds the keyboard; the saver does not blank over it\n",
            stderr);
        Unload();
        _exit(1);
    }
    SelectEvents(root_, kSizeEvents);  // RandR's changes of the root's size
    grabs_.Start(window_, root_);
    xcb_flush(Connection());  // the window shows while the keymap is read
    keyboard_.Open();
}

void X11SaverWindow::RetryGrabs() {
    if (grabs_.Retry()) return;
    std::fputs("lumeck: another client holds the keyboard; the saver does not blank over it\n",
               stderr);
    Unload();
    _exit(1);
}

void X11SaverWindow::ShowPointer(bool show) {
    if (!own_window_) return;
    if (!show && blank_ == XCB_NONE) blank_ = BlankCursor(window_);
    const std::uint32_t cursor = show ? XCB_NONE : blank_;
    xcb_change_window_attributes(Connection(), window_, XCB_CW_CURSOR, &cursor);
}

bool X11SaverWindow::AttachToPreview(platform::HostHandle host) {
    if (!Loaded() || !own_window_ || host <= 0 || host > 0xFFFFFFFF) return false;
    const auto parent = static_cast<xcb_window_t>(host);
    if (parent == window_ || parent == root_) return false;
    const auto attributes_asked = xcb_get_window_attributes(Connection(), parent);
    const auto geometry_asked = xcb_get_geometry(Connection(), parent);
    const auto attributes = Answer(xcb_get_window_attributes_reply, attributes_asked);
    const auto geometry = Answer(xcb_get_geometry_reply, geometry_asked);
    // The reparent fails (BadMatch) under an InputOnly host or one on another screen: the
    // window would stay a stray top-level window, so the preview ends instead.
    if (attributes == nullptr || geometry == nullptr ||
        attributes->_class == XCB_WINDOW_CLASS_INPUT_ONLY || geometry->root != root_) {
        return false;
    }
    host_ = parent;
    SelectEvents(window_, kSizeEvents);  // the host owns input
    SelectEvents(host_, kSizeEvents);    // its resizes
    xcb_reparent_window(Connection(), window_, host_, 0, 0);
    const std::uint32_t size[] = {geometry->width, geometry->height};
    xcb_configure_window(Connection(), window_, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT,
                         size);
    SetSize(geometry->width, geometry->height);
    xcb_map_window(Connection(), window_);
    Sync();  // a host gone meanwhile shows up as BadWindow, then unloads
    return true;
}

void X11SaverWindow::CloseWindow() {
    posix::StopSaverLoop();
    SetEventHandler(nullptr, nullptr);
    keyboard_.Close();
    xcb_connection_t* connection = Connection();
    if (own_window_) {
        grabs_.Release();
        if (grabs_.Started()) SelectEvents(root_, 0);
        if (!destroyed_) xcb_destroy_window(connection, window_);
    } else if (!destroyed_) {
        SelectEvents(window_, 0);
    }
    if (host_ != XCB_NONE) SelectEvents(host_, 0);
    painter_.Close();
    if (blank_ != XCB_NONE) xcb_free_cursor(connection, blank_);
    blank_ = XCB_NONE;
    Sync();
}

void X11SaverWindow::ClearMonitors() {
    const platform::Monitor& window = monitors().front();
    painter_.Clear(window.width, window.height);
}

void X11SaverWindow::OnEvent(const xcb_generic_event_t& event, void* self) {
    static_cast<X11SaverWindow*>(self)->Handle(event);
}

void X11SaverWindow::Handle(const xcb_generic_event_t& event) {
    if (!Loaded() || keyboard_.Follow(event)) return;
    const bool watched =
        grabs_.Started() && host_ == XCB_NONE;  // the full-screen window's own watch
    switch (event.response_type & 0x7F) {
        case XCB_BUTTON_PRESS:
            if (As<xcb_button_press_event_t>(event).event == window_) Clicked();
            break;
        case XCB_KEY_PRESS:
            KeyPress(As<xcb_key_press_event_t>(event));
            break;
        case XCB_MOTION_NOTIFY:
            if (const auto& motion = As<xcb_motion_notify_event_t>(event);
                motion.event == window_) {
                PointerMoved(motion.event_x, motion.event_y);
            }
            break;
        case XCB_CONFIGURE_NOTIFY:
            Configured(As<xcb_configure_notify_event_t>(event));
            break;
        case XCB_DESTROY_NOTIFY:
            if (const xcb_window_t gone = As<xcb_destroy_notify_event_t>(event).window;
                gone == window_ || gone == host_) {
                destroyed_ = true;
                Unload();
            }
            break;
        case XCB_CLIENT_MESSAGE:
            if (const auto& message = As<xcb_client_message_event_t>(event);
                message.window == window_ && message.format == 32 &&
                message.data.data32[0] == close_) {
                Unload();
            }
            break;
        case XCB_UNMAP_NOTIFY:
            if (watched && As<xcb_unmap_notify_event_t>(event).window == window_) grabs_.Lost(true);
            break;
        case XCB_FOCUS_OUT:
            if (const auto& focus = As<xcb_focus_out_event_t>(event);
                watched && grabs_.Mapped() && focus.event == window_ &&
                focus.mode == XCB_NOTIFY_MODE_UNGRAB) {
                grabs_.Lost(false);
            }
            break;
        default:
            break;
    }
}

void X11SaverWindow::KeyPress(const xcb_key_press_event_t& event) {
    if (event.event != window_) return;
    const Keyboard::Key key = keyboard_.Read(event.detail);
    KeyPressed(key.keysym, key.utf32);
}

// The preview follows its host's size; the full-screen window the root's, which RandR
// changes as monitors come and go; Form1's size is the window's.
void X11SaverWindow::Configured(const xcb_configure_notify_event_t& event) {
    if (event.window == host_) {
        const std::uint32_t size[] = {event.width, event.height};
        xcb_configure_window(Connection(), window_,
                             XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, size);
    } else if (event.window == root_ && grabs_.Started() && host_ == XCB_NONE) {
        const std::uint32_t whole[] = {0, 0, event.width, event.height, XCB_STACK_MODE_ABOVE};
        xcb_configure_window(Connection(), window_,
                             XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH |
                                 XCB_CONFIG_WINDOW_HEIGHT | XCB_CONFIG_WINDOW_STACK_MODE,
                             whole);
    } else if (event.window == window_) {
        SetSize(event.width, event.height);
    }
}

}  // namespace

std::unique_ptr<platform::SaverWindow> NewSaverWindow(
    platform::SaverEvents& events, std::optional<platform::HostHandle> host_window) {
    return std::make_unique<X11SaverWindow>(events, host_window);
}

}  // namespace glimra::x11
