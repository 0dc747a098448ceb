#include "platform/x11/screen.h"

#include <xcb/xcbext.h>

#include <cmath>

#include "platform/scaling.h"
#include "platform/x11/connection.h"

namespace glimra::x11 {

namespace {

xcb_extension_t g_xwayland{"XWAYLAND", 0};

}  // namespace

float TwipsPerPixel(const xcb_screen_t& screen) {
    const int millimetres = screen.width_in_millimeters;
    const int dpi = millimetres > 0
                        ? static_cast<int>(std::lround(screen.width_in_pixels * 25.4 / millimetres))
                        : platform::kDesignDpi;
    return platform::TwipsPerPixel(dpi > 0 ? dpi : platform::kDesignDpi);
}

void AskWhetherXwayland() { xcb_prefetch_extension_data(Connection(), &g_xwayland); }

bool OnXwayland() {
    const xcb_query_extension_reply_t* xwayland = xcb_get_extension_data(Connection(), &g_xwayland);
    return xwayland != nullptr && xwayland->present != 0;
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
