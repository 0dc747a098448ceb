#include "platform/x11/screen.h"

#include <xcb/randr.h>
#include <xcb/xcbext.h>

#include <cmath>
#include <string_view>
#include <vector>

#include "platform/scaling.h"
#include "platform/x11/connection.h"

namespace glimra::x11 {

namespace {

xcb_extension_t g_xwayland{"XWAYLAND", 0};

bool Present(xcb_extension_t* extension) {
    const xcb_query_extension_reply_t* reply = xcb_get_extension_data(Connection(), extension);
    return reply != nullptr && reply->present != 0;
}

// Two round trips: the monitors (RandR 1.5), then their names.
bool HasXwaylandMonitor() {
    xcb_connection_t* connection = Connection();
    xcb_discard_reply(connection, xcb_randr_query_version(connection, 1, 5).sequence);
    const auto monitors =
        Answer(xcb_randr_get_monitors_reply, xcb_randr_get_monitors(connection, Screen().root, 1));
    if (monitors == nullptr) return false;
    std::vector<xcb_get_atom_name_cookie_t> names;
    for (auto it = xcb_randr_get_monitors_monitors_iterator(monitors.get()); it.rem > 0;
         xcb_randr_monitor_info_next(&it)) {
        names.push_back(xcb_get_atom_name(connection, it.data->name));
    }
    bool xwayland = false;
    for (const xcb_get_atom_name_cookie_t cookie : names) {
        const auto name = Answer(xcb_get_atom_name_reply, cookie);
        if (name == nullptr) continue;
        const std::string_view text(
            xcb_get_atom_name_name(name.get()),
            static_cast<std::size_t>(xcb_get_atom_name_name_length(name.get())));
        xwayland = xwayland || text.starts_with("XWAYLAND");
    }
    return xwayland;
}

}  // namespace

float TwipsPerPixel(const xcb_screen_t& screen) {
    const int millimetres = screen.width_in_millimeters;
    const int dpi = millimetres > 0
                        ? static_cast<int>(std::lround(screen.width_in_pixels * 25.4 / millimetres))
                        : platform::kDesignDpi;
    return platform::TwipsPerPixel(dpi > 0 ? dpi : platform::kDesignDpi);
}

void AskWhetherXwayland() {
    xcb_prefetch_extension_data(Connection(), &g_xwayland);
    xcb_prefetch_extension_data(Connection(), &xcb_randr_id);
}

bool OnXwayland() {
    return Present(&g_xwayland) || (Present(&xcb_randr_id) && HasXwaylandMonitor());
}

// A cursor with a cleared mask, made by the core requests themselves: the cursor library
// would read cursor themes and query Render for nothing.
xcb_cursor_t BlankCursor(xcb_window_t window) {
    xcb_connection_t* connection = Connection();
    const xcb_pixmap_t empty = xcb_generate_id(connection);
    xcb_create_pixmap(connection, 1, empty, window, 1, 1);
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

}  // namespace glimra::x11
