// The tests' X helper. "host_window" stands in for a preview host: it makes a white
// 152x112 window at 1100,100, prints its id and keeps it until its input ends.
// "host_window cursor" prints whether the pointer shows any pixel; "host_window keyboard" whether
// another client holds the keyboard ("grabbed") or not ("free").
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return 1;
    const Window root = DefaultRootWindow(display);
    if (argc > 1 && std::strcmp(argv[1], "keyboard") == 0) {
        const int grab =
            XGrabKeyboard(display, root, False, GrabModeAsync, GrabModeAsync, CurrentTime);
        XUngrabKeyboard(display, CurrentTime);
        std::puts(grab == AlreadyGrabbed ? "grabbed" : "free");
        return 0;
    }
    if (argc > 1) {
        XFixesCursorImage* image = XFixesGetCursorImage(display);
        bool shown = false;
        for (int i = 0; i < image->width * image->height; ++i) shown |= image->pixels[i] >> 24;
        std::puts(shown ? "visible" : "hidden");
        return 0;
    }
    const Window window = XCreateSimpleWindow(display, root, 1100, 100, 152, 112, 0, 0,
                                              WhitePixel(display, DefaultScreen(display)));
    XMapWindow(display, window);
    XSync(display, False);
    std::printf("%lu\n", window);
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
}
