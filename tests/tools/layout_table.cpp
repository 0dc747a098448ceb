// layout_table <dpi>: where the product places each control of the dialog at that DPI, in pixels
// on the client area, one JSON object a line, and last the client area itself with the full
// screen's pen. The Win32 and GTK end-to-end tests compare the real dialogs with it.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/scaling.h"
#include "settings/layout.h"

namespace {
using glimra::layout::Kind;

const char* KindName(Kind kind) {
    switch (kind) {
        case Kind::kFrame:
            return "frame";
        case Kind::kLabel:
            return "label";
        case Kind::kTextBox:
            return "text box";
        case Kind::kScrollBar:
            return "scroll bar";
        case Kind::kImage:
            return "image";
        default:
            return "button";
    }
}

std::string JsonText(std::wstring_view text) {
    std::string json;
    for (const wchar_t c : text) {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
        json += escaped;
    }
    return json;
}

void Print(const glimra::layout::Control& control, const glimra::layout::Rect& twips, int dpi) {
    using glimra::platform::TwipsToPixels;
    std::printf(
        "{\"name\": \"%.*s\", \"id\": %d, \"kind\": \"%s\", \"caption\": \"%s\", "
        "\"left\": %d, \"top\": %d, \"right\": %d, \"bottom\": %d, \"pen\": %d}\n",
        static_cast<int>(control.name.size()), control.name.data(), control.id,
        KindName(control.kind), JsonText(control.caption).c_str(), TwipsToPixels(twips.left, dpi),
        TwipsToPixels(twips.top, dpi), TwipsToPixels(twips.right, dpi),
        TwipsToPixels(twips.bottom, dpi), glimra::platform::ScaledPixels(12, dpi));
}
}  // namespace

int main(int argc, char** argv) {
    using namespace glimra::layout;
    const int dpi = argc > 1 ? std::atoi(argv[1]) : glimra::platform::kDesignDpi;
    for (const Control& control : kControls) Print(control, ClientRect(control), dpi);
    Control client{};
    client.name = "client";
    client.caption = kCaption;
    Print(client, {0, 0, kClientWidth, kClientHeight}, dpi);
}
