// The tests' X helper. "host_window W H": a stand-in for a preview host that makes a
// window, prints its id, and obeys lines on stdin: "resize W H", "query" (each child's
// geometry), "destroy". "host_window cursor": prints whether the pointer shows any pixel.
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr || argc < 2) return 1;
    if (std::string(argv[1]) == "cursor") {
        XFixesCursorImage* image = XFixesGetCursorImage(display);
        bool shown = false;
        for (int i = 0; image != nullptr && i < image->width * image->height; ++i) {
            shown = shown || (image->pixels[i] >> 24) != 0;  // any pixel with alpha
        }
        std::printf(shown ? "visible\n" : "hidden\n");
        return 0;
    }
    if (argc < 3) return 1;
    const Window window =
        XCreateSimpleWindow(display, DefaultRootWindow(display), 1100, 100, std::atoi(argv[1]),
                            std::atoi(argv[2]), 0, 0, WhitePixel(display, DefaultScreen(display)));
    XMapWindow(display, window);
    XSync(display, False);
    std::printf("%lu\n", window);
    std::fflush(stdout);
    for (std::string command; std::cin >> command;) {
        if (command == "resize") {
            unsigned width = 0, height = 0;
            std::cin >> width >> height;
            XResizeWindow(display, window, width, height);
        } else if (command == "destroy") {
            XDestroyWindow(display, window);
        } else if (command == "query") {
            Window root = 0, parent = 0, *children = nullptr;
            unsigned count = 0;
            XQueryTree(display, window, &root, &parent, &children, &count);
            for (unsigned i = 0; i < count; ++i) {
                XWindowAttributes a{};
                XGetWindowAttributes(display, children[i], &a);
                std::printf("%dx%d+%d+%d %s\n", a.width, a.height, a.x, a.y,
                            a.map_state == IsViewable ? "viewable" : "hidden");
            }
            if (children != nullptr) XFree(children);
        }
        XSync(display, False);
        std::printf("done\n");
        std::fflush(stdout);
    }
    return 0;
}
