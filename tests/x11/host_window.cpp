// The tests' X helper, standing in for other clients. "host_window" makes a white 152x112
// window at 1100,100 (a preview host), prints its id and keeps it until its input ends.
// "host_window grab" holds the keyboard grabbed with the pointer over its window, prints
// "grabbed", and "pointer taken" whenever another client grabs the pointer (a saver asks for
// both grabs at once: it has then tried the keyboard); it lets the keyboard go at a line on its
// input, and at the input's end prints how many keys reached it since.
#include <X11/Xlib.h>
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <string_view>

int main(int argc, char** argv) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return 1;
    const std::string_view mode = argc > 1 ? argv[1] : "";
    const Window root = DefaultRootWindow(display);
    XSetWindowAttributes attributes{};
    attributes.background_pixel = WhitePixel(display, DefaultScreen(display));
    attributes.event_mask = KeyPressMask | LeaveWindowMask;
    const Window window =
        XCreateWindow(display, root, 1100, 100, 152, 112, 0, CopyFromParent, InputOutput,
                      CopyFromParent, CWBackPixel | CWEventMask, &attributes);
    XMapWindow(display, window);
    XSync(display, False);
    bool grabbed = mode == "grab";
    if (grabbed) {
        XSetInputFocus(display, window, RevertToParent, CurrentTime);
        XWarpPointer(display, None, window, 0, 0, 0, 0, 76, 56);
        XGrabKeyboard(display, window, False, GrabModeAsync, GrabModeAsync, CurrentTime);
        std::puts("grabbed");
    } else {
        std::printf("%lu\n", window);
    }
    std::fflush(stdout);
    int keys_after_release = 0;
    pollfd inputs[2] = {{0, POLLIN, 0}, {ConnectionNumber(display), POLLIN, 0}};
    for (char line[64]; poll(inputs, 2, -1) > 0;) {
        if (inputs[0].revents != 0) {
            if (read(0, line, sizeof line) <= 0) break;
            XUngrabKeyboard(display, CurrentTime);
            XSync(display, False);
            grabbed = false;
        }
        for (XEvent event; XPending(display) > 0;) {
            XNextEvent(display, &event);
            keys_after_release += event.type == KeyPress && !grabbed;
            if (event.type == LeaveNotify && event.xcrossing.mode == NotifyGrab && grabbed) {
                std::puts("pointer taken");
                std::fflush(stdout);
            }
        }
    }
    if (mode == "grab") std::printf("%d\n", keys_after_release);
}
