#pragma once
// The one connection to the X server, opened on first use. The saver's loop watches it: its
// events go to the handler one at a time, each run through the run-time error guard.
#include <X11/Xlib.h>

namespace glimra::x11 {

Display* Connection();
// The same connection, or null when DISPLAY names no server that can be opened.
Display* TryConnection();

// The window layer's handler of every event. A window that goes away under a request
// (BadWindow, BadDrawable) is reported as a DestroyNotify of that window.
using EventHandler = void (*)(const XEvent& event, void* context);
void SetEventHandler(EventHandler handler, void* context);

// For the saver's loop: before it sleeps, the events already read (then a flush); after
// the connection woke it, whatever the server sent.
void DeliverQueued();
void ReadAndDeliver();

}  // namespace glimra::x11
