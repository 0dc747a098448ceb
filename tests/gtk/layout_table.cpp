// layout_table <dpi>: where the product places each control of the dialog at that DPI, in pixels
// on the client area, one JSON object a line, and last the client area itself. The GTK tests
// compare the real dialog with it.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/runtime/scaling.h"
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

void Print(std::string_view name, const char* kind, std::wstring_view caption, int left, int top,
           int right, int bottom, int dpi) {
    using glimra::TwipsToPixels;
    std::printf(
        "{\"name\": \"%.*s\", \"kind\": \"%s\", \"caption\": \"%s\", \"left\": %d, \"top\": %d, "
        "\"right\": %d, \"bottom\": %d}\n",
        static_cast<int>(name.size()), name.data(), kind, JsonText(caption).c_str(),
        TwipsToPixels(left, dpi), TwipsToPixels(top, dpi), TwipsToPixels(right, dpi),
        TwipsToPixels(bottom, dpi));
}
}  // namespace

int main(int argc, char** argv) {
    const int dpi = argc > 1 ? std::atoi(argv[1]) : glimra::kDesignDpi;
    for (const auto& control : glimra::layout::kControls) {
        const auto place = glimra::layout::ClientRect(control);
        Print(control.name, KindName(control.kind), control.caption, place.left, place.top,
              place.right, place.bottom, dpi);
    }
    using glimra::layout::kClientHeight, glimra::layout::kClientWidth;
    Print("client", "client", glimra::layout::kCaption, 0, 0, kClientWidth, kClientHeight, dpi);
}
