#include "platform/x11/connection.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "platform/platform.h"

namespace glimra::x11 {

namespace {

xcb_connection_t* g_connection = nullptr;
const xcb_screen_t* g_screen = nullptr;
EventHandler g_handler = nullptr;
void* g_context = nullptr;

using Event = posix::Malloced<xcb_generic_event_t>;

void Deliver(const xcb_generic_event_t& event) {
    if (g_handler != nullptr) g_handler(event, g_context);
}

// A window can go at any moment (the host destroys the preview, the screen saver's host its
// window): a request that finds it gone reports it as destroyed.
void DeliverEvent(const Event& event) {
    if (event->response_type != 0) {
        Deliver(*event);
        return;
    }
    const auto& error = reinterpret_cast<const xcb_generic_error_t&>(*event);
    if (error.error_code != XCB_WINDOW && error.error_code != XCB_DRAWABLE) return;
    xcb_destroy_notify_event_t destroyed{};
    destroyed.response_type = XCB_DESTROY_NOTIFY;
    destroyed.event = destroyed.window = error.resource_id;
    xcb_generic_event_t gone{};
    std::memcpy(&gone, &destroyed, sizeof destroyed);
    Deliver(gone);
}

}  // namespace

xcb_connection_t* Connection() {
    if (TryConnection() == nullptr) runtime::Raise(runtime::kErrInvalidCall);
    return g_connection;
}

xcb_connection_t* TryConnection() {
    if (g_connection != nullptr) return g_connection;
    int screen_number = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screen_number);
    if (xcb_connection_has_error(connection) != 0) {
        xcb_disconnect(connection);
        return nullptr;
    }
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (; screen_number > 0 && screens.rem > 1; --screen_number) xcb_screen_next(&screens);
    g_screen = screens.data;
    g_connection = connection;
    return g_connection;
}

const xcb_screen_t& Screen() {
    Connection();
    return *g_screen;
}

// The flush may read what has come meanwhile, and a reply awaited while an event was handled
// may have brought events with it: those are handed out before the loop sleeps, as the poll
// would not report them.
void DeliverQueued() {
    for (;;) {
        while (const Event event{xcb_poll_for_queued_event(g_connection)}) DeliverEvent(event);
        xcb_flush(g_connection);
        const Event late{xcb_poll_for_queued_event(g_connection)};
        if (late == nullptr) return;
        DeliverEvent(late);
    }
}

void ReadAndDeliver() {
    while (const Event event{xcb_poll_for_event(g_connection)}) DeliverEvent(event);
    if (xcb_connection_has_error(g_connection) != 0) {
        std::fputs("lumeck: the connection to the X server is lost\n", stderr);
        _exit(1);
    }
}

void SetEventHandler(EventHandler handler, void* context) {
    g_handler = handler;
    g_context = context;
}

}  // namespace glimra::x11
