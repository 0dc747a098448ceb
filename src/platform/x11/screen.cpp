#include "platform/x11/screen.h"

#include <X11/Xlib-xcb.h>
#include <xcb/randr.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

namespace glimra::x11 {

namespace {

// An XCB reply, freed with free() as XCB asks.
template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

template <typename T>
Reply<T> Own(T* reply) {
    return Reply<T>(reply, &std::free);
}

}  // namespace

// Requests that do not depend on each other go out together, so the answer costs three
// round trips to the server (the extension, the outputs, the CRTCs): the saver's start-up
// waits for them before its window can show.
Rect PrimaryMonitor(Display* display) {
    const int screen = DefaultScreen(display);
    Rect rect{0, 0, DisplayWidth(display, screen), DisplayHeight(display, screen)};
    xcb_connection_t* connection = XGetXCBConnection(display);
    const xcb_query_extension_reply_t* randr = xcb_get_extension_data(connection, &xcb_randr_id);
    if (randr == nullptr || !randr->present) return rect;
    const auto root = static_cast<xcb_window_t>(RootWindow(display, screen));
    xcb_discard_reply(connection, xcb_randr_query_version(connection, 1, 3).sequence);
    const auto primary_cookie = xcb_randr_get_output_primary(connection, root);
    const auto resources_cookie = xcb_randr_get_screen_resources_current(connection, root);
    const auto primary =
        Own(xcb_randr_get_output_primary_reply(connection, primary_cookie, nullptr));
    const auto resources =
        Own(xcb_randr_get_screen_resources_current_reply(connection, resources_cookie, nullptr));
    if (!primary || primary->output == XCB_NONE || !resources) return rect;
    const xcb_randr_crtc_t* crtcs = xcb_randr_get_screen_resources_current_crtcs(resources.get());
    std::vector<xcb_randr_get_crtc_info_cookie_t> cookies;
    for (int i = 0; i < xcb_randr_get_screen_resources_current_crtcs_length(resources.get()); ++i) {
        cookies.push_back(
            xcb_randr_get_crtc_info(connection, crtcs[i], resources->config_timestamp));
    }
    for (const auto cookie : cookies) {  // every reply is taken, so that none is left queued
        const auto crtc = Own(xcb_randr_get_crtc_info_reply(connection, cookie, nullptr));
        if (!crtc || crtc->width == 0 || crtc->height == 0) continue;
        const xcb_randr_output_t* outputs = xcb_randr_get_crtc_info_outputs(crtc.get());
        const int count = xcb_randr_get_crtc_info_outputs_length(crtc.get());
        if (std::find(outputs, outputs + count, primary->output) != outputs + count) {
            rect = {crtc->x, crtc->y, crtc->width, crtc->height};
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
