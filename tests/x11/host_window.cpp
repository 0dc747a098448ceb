// The tests' X helper. "host_window" stands in for a preview host: it makes a 152x112 window
// at 1100,100, prints its id and obeys lines on stdin: "resize W H", "query" (each child's
// geometry), "destroy". "host_window cursor" prints whether the pointer shows any pixel.
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

#include <cstdio>
#include <iostream>
#include <string>

int main(int argc, char**) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return 1;
    if (argc > 1) {  // cursor
        XFixesCursorImage* image = XFixesGetCursorImage(display);
        bool shown = false;
        for (int i = 0; i < image->width * image->height; ++i) shown |= image->pixels[i] >> 24;
        std::puts(shown ? "visible" : "hidden");
        return 0;
    }
    const Window window =
        XCreateSimpleWindow(display, DefaultRootWindow(display), 1100, 100, 152, 112, 0, 0,
                            WhitePixel(display, DefaultScreen(display)));
    XMapWindow(display, window);
    XSync(display, False);
    std::printf("%lu\n", window);
    for (std::string command; std::fflush(stdout) == 0 && std::cin >> command;) {
        unsigned width = 0, height = 0, count = 0;
        Window root = 0, parent = 0, *children = nullptr;
        if (command == "resize" && std::cin >> width >> height) {
            XResizeWindow(display, window, width, height);
        } else if (command == "destroy") {
            XDestroyWindow(display, window);
        } else if (command == "query" &&
                   XQueryTree(display, window, &root, &parent, &children, &count)) {
            for (unsigned i = 0; i < count; ++i) {
                XWindowAttributes a{};
                XGetWindowAttributes(display, children[i], &a);
                std::printf("%dx%d+%d+%d %s\n", a.width, a.height, a.x, a.y,
                            a.map_state == IsViewable ? "viewable" : "hidden");
            }
            XFree(children);
        }
        XSync(display, False);
        std::puts("done");
    }
}
