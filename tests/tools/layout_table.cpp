// layout_table <dpi>: where the product places each control of the dialog at that DPI, in pixels
// on the client area, one JSON object a line, and last the client area itself with the full
// screen's pen. The Win32 and GTK end-to-end tests compare the real dialogs with it.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/dialog_layout.h"
#include "platform/scaling.h"
#include "settings/layout.h"

namespace {
// By ControlKind; both kinds of button are buttons.
constexpr const char* kKindNames[] = {"frame",      "button", "button", "text box",
                                      "scroll bar", "label",  "image"};

std::string JsonText(std::wstring_view text) {
    std::string json;
    for (const wchar_t c : text) {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
        json += escaped;
    }
    return json;
}

void Print(const glimra::layout::Control& control, const glimra::platform::PixelRect& place,
           int dpi) {
    std::printf(
        "{\"name\": \"%.*s\", \"id\": %d, \"kind\": \"%s\", \"caption\": \"%s\", "
        "\"left\": %d, \"top\": %d, \"right\": %d, \"bottom\": %d, \"pen\": %d}\n",
        static_cast<int>(control.name.size()), control.name.data(), control.id,
        kKindNames[static_cast<int>(control.kind)], JsonText(control.caption).c_str(), place.left,
        place.top, place.right, place.bottom, glimra::platform::ScaledPixels(12, dpi));
}
}  // namespace

int main(int argc, char** argv) {
    using namespace glimra::layout;
    using glimra::platform::TwipsToPixels;
    const int dpi = argc > 1 ? std::atoi(argv[1]) : glimra::platform::kDesignDpi;
    glimra::platform::DialogSpec spec{};  // the controls are all that places them
    spec.controls = kControls;
    for (const Control& control : kControls) {
        Print(control, glimra::platform::ControlPixels(spec, control, dpi), dpi);
    }
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
