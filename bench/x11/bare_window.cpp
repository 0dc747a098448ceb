// The baseline of bench/saver_ratio.py on X11: the least an Xlib saver can be. One
// override-redirect black window over the screen, and a 100 ms timer (poll on the connection) that
// paints one fixed dot, as the saver paints one dot a tick. Ends on SIGTERM.
#include <X11/Xlib.h>
#include <poll.h>
#include <time.h>

#include <csignal>

namespace {

volatile std::sig_atomic_t g_stop = 0;

long long NowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000LL + now.tv_nsec / 1000000;
}

}  // namespace

int main() {
    std::signal(SIGTERM, [](int) { g_stop = 1; });
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return 1;
    const int screen = DefaultScreen(display);
    XSetWindowAttributes attributes{};
    attributes.background_pixel = BlackPixel(display, screen);
    attributes.override_redirect = True;
    attributes.event_mask = ButtonPressMask | KeyPressMask | PointerMotionMask;
    const Window window =
        XCreateWindow(display, RootWindow(display, screen), 0, 0, DisplayWidth(display, screen),
                      DisplayHeight(display, screen), 0, CopyFromParent, InputOutput,
                      CopyFromParent, CWBackPixel | CWOverrideRedirect | CWEventMask, &attributes);
    const GC gc = XCreateGC(display, window, 0, nullptr);
    XMapRaised(display, window);
    XFlush(display);
    long long next = NowMs() + 100;
    pollfd watch{ConnectionNumber(display), POLLIN, 0};
    while (!g_stop) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
        }
        const long long wait = next - NowMs();
        if (wait > 0 && poll(&watch, 1, static_cast<int>(wait)) != 0) continue;
        next += 100;
        XSetForeground(display, gc, 0xFF8000);
        XFillArc(display, window, gc, 100, 100, 12, 12, 0, 360 * 64);
        XFlush(display);
    }
    return 0;
}
