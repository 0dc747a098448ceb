#include "platform/x11/connection.h"

#include "platform/platform.h"

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

void Deliver(const XEvent& event) {
    if (g_handler == nullptr) return;
    platform::Guarded([&] { g_handler(event, g_context); });
}

// A window found gone under a request is reported as destroyed.
void DeliverLost() {
    if (g_lost == 0) return;
    XEvent gone{};
    gone.type = DestroyNotify;
    gone.xdestroywindow.window = g_lost;
    gone.xdestroywindow.event = g_lost;
    g_lost = 0;
    Deliver(gone);
}

}  // namespace

Display* Connection() {
    if (TryConnection() == nullptr) runtime::Raise(runtime::kErrInvalidCall);
    return g_display;
}

Display* TryConnection() {
    if (g_display != nullptr) return g_display;
    g_display = XOpenDisplay(nullptr);
    if (g_display == nullptr) return nullptr;
    XSetErrorHandler(OnError);
    return g_display;
}

// Only events already read count here: XPending would cost a system call at every turn of
// the loop, and the poll on the connection reports anything the server has sent since. The
// flush reads what has come too, and a reply awaited meanwhile may have brought events
// with it: those are handed out before the loop sleeps, as the poll would not report them.
void DeliverQueued() {
    do {
        while (XEventsQueued(g_display, QueuedAlready) > 0) {
            XEvent event;
            XNextEvent(g_display, &event);
            Deliver(event);
        }
        DeliverLost();
        XFlush(g_display);
    } while (XEventsQueued(g_display, QueuedAlready) > 0);
}

void ReadAndDeliver() {
    while (XPending(g_display) > 0) {
        XEvent event;
        XNextEvent(g_display, &event);
        Deliver(event);
    }
    DeliverLost();
    XFlush(g_display);
}

void SetEventHandler(EventHandler handler, void* context) {
    g_handler = handler;
    g_context = context;
}

}  // namespace glimra::x11
