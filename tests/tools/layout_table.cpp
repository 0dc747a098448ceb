// layout_table <dpi>: where the product places each control of the dialog at that DPI, in pixels
// on the client area, one JSON object a line, and last the client area itself with the full
// screen's pen. The Win32 and GTK end-to-end tests compare the real dialogs with it.
#include <cstdio>
#include <cstdlib>

#include "platform/dialog_layout.h"
#include "platform/scaling.h"
#include "settings/layout.h"

using namespace glimra::layout;
using namespace glimra::platform;

namespace {
// By ControlKind; both kinds of button are buttons.
constexpr const char* kKindNames[] = {"frame",      "button", "button", "text box",
                                      "scroll bar", "label",  "image"};

void Print(const Control& control, const PixelRect& place, int dpi) {
    std::printf("{\"name\": \"%.*s\", \"id\": %d, \"kind\": \"%s\", \"caption\": \"",
                static_cast<int>(control.name.size()), control.name.data(), control.id,
                kKindNames[static_cast<int>(control.kind)]);
    for (const wchar_t unit : control.caption) std::printf("\\u%04x", static_cast<unsigned>(unit));
    std::printf("\", \"left\": %d, \"top\": %d, \"right\": %d, \"bottom\": %d, \"pen\": %d}\n",
                place.left, place.top, place.right, place.bottom, ScaledPixels(12, dpi));
}
}  // namespace

int main(int argc, char** argv) {
    const int dpi = argc > 1 ? std::atoi(argv[1]) : kDesignDpi;
    DialogSpec spec{};  // the controls are all that places them
    spec.controls = kControls;
    for (const Control& control : kControls) Print(control, ControlPixels(spec, control, dpi), dpi);
    // The client area where the layout puts it on the screen, and its size.
    Control client{};
    client.name = "client";
    client.caption = kCaption;
    const int left = TwipsToPixels(kClientLeft, dpi);
    const int top = TwipsToPixels(kClientTop, dpi);
    Print(client,
          {left, top, left + TwipsToPixels(kClientWidth, dpi),
           top + TwipsToPixels(kClientHeight, dpi)},
          dpi);
}
