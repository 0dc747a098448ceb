#include "platform/x11/screen.h"

#include <X11/extensions/Xrandr.h>

#include <cmath>

namespace glimra::x11 {

Rect PrimaryMonitor(Display* display) {
    const int screen = DefaultScreen(display);
    Rect rect{0, 0, DisplayWidth(display, screen), DisplayHeight(display, screen)};
    int event_base = 0;
    int error_base = 0;
    if (!XRRQueryExtension(display, &event_base, &error_base)) return rect;
    const Window root = RootWindow(display, screen);
    const RROutput primary = XRRGetOutputPrimary(display, root);
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, root);
    if (primary == None || resources == nullptr) {
        if (resources != nullptr) XRRFreeScreenResources(resources);
        return rect;
    }
    if (XRROutputInfo* output = XRRGetOutputInfo(display, resources, primary)) {
        if (output->crtc != None) {
            if (XRRCrtcInfo* crtc = XRRGetCrtcInfo(display, resources, output->crtc)) {
                if (crtc->width > 0 && crtc->height > 0) {
                    rect = {crtc->x, crtc->y, static_cast<int>(crtc->width),
                            static_cast<int>(crtc->height)};
                }
                XRRFreeCrtcInfo(crtc);
            }
        }
        XRRFreeOutputInfo(output);
    }
    XRRFreeScreenResources(resources);
    return rect;
}

float TwipsPerPixel(Display* display) {
    const int screen = DefaultScreen(display);
    const int millimetres = DisplayWidthMM(display, screen);
    const double dpi =
        millimetres > 0 ? std::round(DisplayWidth(display, screen) * 25.4 / millimetres) : 96.0;
    return static_cast<float>(1440.0 / (dpi > 0 ? dpi : 96.0));
}

}  // namespace glimra::x11
