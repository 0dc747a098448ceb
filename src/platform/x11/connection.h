#pragma once
// The one connection to the X server, opened on first use. The GLib loop watches it: its
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

}  // namespace glimra::x11
