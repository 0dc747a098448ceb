#pragma once
// The one connection to the X server, over XCB, opened on first use. The saver's loop
// watches it: its events go to the handler one at a time.
#include <xcb/xcb.h>

#include "platform/posix/owners.h"

namespace glimra::x11 {

xcb_connection_t* Connection();
// The same connection, or null when DISPLAY names no server that can be opened.
xcb_connection_t* TryConnection();
const xcb_screen_t& Screen();  // the screen that DISPLAY names

// The answer to a request, or null when it failed; the error is dropped, not delivered.
template <typename Reply, typename Cookie>
posix::Malloced<Reply> Answer(Reply* (*read)(xcb_connection_t*, Cookie, xcb_generic_error_t**),
                              Cookie cookie) {
    xcb_generic_error_t* error = nullptr;
    posix::Malloced<Reply> reply(read(Connection(), cookie, &error));
    std::free(error);
    return reply;
}

// The window layer's handler of every event. A window that goes away under a request
// (BadWindow, BadDrawable) is reported as a DestroyNotify of that window; other errors change
// nothing the saver relies on and are dropped.
using EventHandler = void (*)(const xcb_generic_event_t& event, void* context);
void SetEventHandler(EventHandler handler, void* context);

// For the saver's loop: before it sleeps, the events already read (then a flush); after
// the connection woke it, whatever the server sent. A connection that broke ends the
// process with status 1.
void DeliverQueued();
void ReadAndDeliver();

}  // namespace glimra::x11
