// The tests' X helper. "host_window" stands in for a preview host: it makes a white
// 152x112 window at 1100,100, prints its id and keeps it until its input ends.
// "host_window cursor" prints whether the pointer shows any pixel.
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

#include <cstdio>

int main(int argc, char**) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return 1;
    if (argc > 1) {
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
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
}
