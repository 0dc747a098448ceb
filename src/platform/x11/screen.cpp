#include "platform/x11/screen.h"

#include <cmath>

#include "platform/posix/owners.h"

// After the C++ headers (Xlibint.h defines min and max as macros).
#include <X11/Xlib-xcb.h>
#include <xcb/randr.h>
#include <X11/Xlibint.h>
#undef min
#undef max

namespace glimra::x11 {

namespace {

// Xlib drops the events of an extension it has no converter for; RandR's are taken over
// XCB, so its screen-change event is passed on as it is, type and window alone.
Bool KeepScreenChange(Display*, XEvent* event, xEvent* wire) {
    event->type = wire->u.u.type & 0x7F;
    event->xany.send_event = (wire->u.u.type & 0x80) != 0;
    return True;
}

}  // namespace

// RandR 1.5 names the monitor that holds the primary output, so the answer costs two round
// trips (the extension, then the monitors; the root's size rides along): the saver's
// window waits for it before showing. A server without the primary output, or older than
// RandR 1.5, gives the whole screen as it is now (Xlib's own figure is the one at connect).
Rect PrimaryMonitor(Display* display) {
    const int screen = DefaultScreen(display);
    Rect rect{0, 0, DisplayWidth(display, screen), DisplayHeight(display, screen)};
    xcb_connection_t* connection = XGetXCBConnection(display);
    const auto root = static_cast<xcb_window_t>(RootWindow(display, screen));
    const xcb_get_geometry_cookie_t size = xcb_get_geometry(connection, root);
    const xcb_query_extension_reply_t* randr = xcb_get_extension_data(connection, &xcb_randr_id);
    if (const posix::Malloced<xcb_get_geometry_reply_t> whole{
            xcb_get_geometry_reply(connection, size, nullptr)}) {
        rect = {0, 0, whole->width, whole->height};
    }
    if (randr == nullptr || !randr->present) return rect;
    xcb_discard_reply(connection, xcb_randr_query_version(connection, 1, 5).sequence);
    const posix::Malloced<xcb_randr_get_monitors_reply_t> monitors(xcb_randr_get_monitors_reply(
        connection, xcb_randr_get_monitors(connection, root, 1), nullptr));
    if (monitors == nullptr) return rect;
    for (auto it = xcb_randr_get_monitors_monitors_iterator(monitors.get()); it.rem > 0;
         xcb_randr_monitor_info_next(&it)) {
        if (it.data->primary && it.data->width > 0 && it.data->height > 0) {
            rect = {it.data->x, it.data->y, it.data->width, it.data->height};
        }
    }
    return rect;
}

int WatchScreenChanges(Display* display) {
    xcb_connection_t* connection = XGetXCBConnection(display);
    const xcb_query_extension_reply_t* randr = xcb_get_extension_data(connection, &xcb_randr_id);
    if (randr == nullptr || !randr->present) return 0;
    const int type = randr->first_event + XCB_RANDR_SCREEN_CHANGE_NOTIFY;
    XESetWireToEvent(display, type, KeepScreenChange);
    xcb_randr_select_input(connection, static_cast<xcb_window_t>(DefaultRootWindow(display)),
                           XCB_RANDR_NOTIFY_MASK_SCREEN_CHANGE);
    return type;
}

float TwipsPerPixel(Display* display) {
    const int screen = DefaultScreen(display);
    const int millimetres = DisplayWidthMM(display, screen);
    const double dpi =
        millimetres > 0 ? std::round(DisplayWidth(display, screen) * 25.4 / millimetres) : 96.0;
    return static_cast<float>(1440.0 / (dpi > 0 ? dpi : 96.0));
}

}  // namespace glimra::x11
