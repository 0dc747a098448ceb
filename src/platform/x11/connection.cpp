#include "platform/x11/connection.h"

#include <glib.h>

#include "platform/platform.h"
#include "platform/posix/process.h"

namespace glimra::x11 {

namespace {

Display* g_display = nullptr;
EventHandler g_handler = nullptr;
void* g_context = nullptr;
XID g_lost = 0;  // the last window that a request found gone

// Xlib's default handler ends the process on any error. A window can go at any moment
// (the host destroys the preview, the screen saver's host its window): note it, and let
// the dispatch report it as destroyed. No request may be made from here.
int OnError(Display*, XErrorEvent* error) {
    if (error->error_code == BadWindow || error->error_code == BadDrawable) {
        g_lost = error->resourceid;
    }
    return 0;
}

struct XSource {
    GSource base;
    GPollFD poll;
};

// Only events already read count here: XPending would cost a system call at every turn of
// the loop, and the poll on the connection reports anything the server has sent since.
gboolean Prepare(GSource*, gint* timeout) {
    *timeout = -1;
    XFlush(g_display);
    return g_lost != 0 || XEventsQueued(g_display, QueuedAlready) > 0;
}

gboolean Check(GSource* source) {
    const auto* x = reinterpret_cast<XSource*>(source);
    return g_lost != 0 || (x->poll.revents & (G_IO_IN | G_IO_HUP | G_IO_ERR)) != 0 ||
           XEventsQueued(g_display, QueuedAlready) > 0;
}

void Deliver(const XEvent& event) {
    if (g_handler == nullptr) return;
    platform::Guarded([&] { g_handler(event, g_context); });
}

gboolean Dispatch(GSource*, GSourceFunc, gpointer) {
    while (XPending(g_display) > 0) {
        XEvent event;
        XNextEvent(g_display, &event);
        Deliver(event);
    }
    if (g_lost != 0) {
        XEvent gone{};
        gone.type = DestroyNotify;
        gone.xdestroywindow.window = g_lost;
        gone.xdestroywindow.event = g_lost;
        g_lost = 0;
        Deliver(gone);
    }
    XFlush(g_display);
    return G_SOURCE_CONTINUE;
}

GSourceFuncs g_funcs = {Prepare, Check, Dispatch, nullptr, nullptr, nullptr};

}  // namespace

Display* Connection() {
    if (g_display != nullptr) return g_display;
    g_display = XOpenDisplay(nullptr);
    if (g_display == nullptr) posix::EndWithoutDisplay();
    XSetErrorHandler(OnError);
    GSource* source = g_source_new(&g_funcs, sizeof(XSource));
    auto* x = reinterpret_cast<XSource*>(source);
    x->poll.fd = ConnectionNumber(g_display);
    x->poll.events = G_IO_IN | G_IO_HUP | G_IO_ERR;
    g_source_add_poll(source, &x->poll);
    g_source_attach(source, nullptr);
    g_source_unref(source);
    return g_display;
}

void SetEventHandler(EventHandler handler, void* context) {
    g_handler = handler;
    g_context = context;
}

}  // namespace glimra::x11
