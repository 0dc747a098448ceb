#include "platform/x11/screen.h"

#include <X11/Xlib-xcb.h>
#include <xcb/randr.h>

#include <cmath>

#include "platform/posix/owners.h"

namespace glimra::x11 {

// RandR 1.5 names the monitor that holds the primary output, so the answer costs two round
// trips (the extension, then the monitors): the saver's window waits for it before showing.
// A server without the primary output, or older than RandR 1.5, gives the whole screen.
Rect PrimaryMonitor(Display* display) {
    const int screen = DefaultScreen(display);
    const Rect whole{0, 0, DisplayWidth(display, screen), DisplayHeight(display, screen)};
    xcb_connection_t* connection = XGetXCBConnection(display);
    const xcb_query_extension_reply_t* randr = xcb_get_extension_data(connection, &xcb_randr_id);
    if (randr == nullptr || !randr->present) return whole;
    xcb_discard_reply(connection, xcb_randr_query_version(connection, 1, 5).sequence);
    const auto root = static_cast<xcb_window_t>(RootWindow(display, screen));
    const posix::Malloced<xcb_randr_get_monitors_reply_t> monitors(xcb_randr_get_monitors_reply(
        connection, xcb_randr_get_monitors(connection, root, 1), nullptr));
    if (monitors == nullptr) return whole;
    Rect rect = whole;
    for (auto it = xcb_randr_get_monitors_monitors_iterator(monitors.get()); it.rem > 0;
         xcb_randr_monitor_info_next(&it)) {
        if (it.data->primary && it.data->width > 0 && it.data->height > 0) {
            rect = {it.data->x, it.data->y, it.data->width, it.data->height};
        }
    }
    return rect;
}

float TwipsPerPixel(Display* display) {
    const int screen = DefaultScreen(display);
    const int millimetres = DisplayWidthMM(display, screen);
    const double dpi =
        millimetres > 0 ? std::round(DisplayWidth(display, screen) * 25.4 / millimetres) : 96.0;
    return static_cast<float>(1440.0 / (dpi > 0 ? dpi : 96.0));
}

}  // namespace glimra::x11
