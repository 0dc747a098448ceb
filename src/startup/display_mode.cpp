#include "startup/display_mode.h"

#include <charconv>

#include "platform/platform.h"
#include "startup/module1.h"

namespace glimra {

namespace {

// -1 for anything that is not a whole id above 0 that fits an X id (29 bits, kept to 32).
std::int64_t WindowId(std::string_view text) {
    int base = 10;
    if (text.starts_with("0x") || text.starts_with("0X")) {
        text.remove_prefix(2);
        base = 16;
    }
    std::uint32_t id = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), id, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || id == 0) {
        return -1;
    }
    return id;
}

}  // namespace

std::optional<DisplayMode> ReadDisplayMode(std::span<const std::string_view> arguments,
                                           const char* xscreensaver_window) {
    bool root = false;
    std::optional<std::int64_t> window_id;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (argument == "--root" || argument == "-root") root = true;
        if (argument == "--window-id" || argument == "-window-id") {
            window_id = i + 1 < arguments.size() ? WindowId(arguments[++i]) : -1;
        }
    }
    if (window_id) return DisplayMode{*window_id, 4};
    if (!root) return std::nullopt;
    if (xscreensaver_window != nullptr && *xscreensaver_window != '\0') {
        return DisplayMode{WindowId(xscreensaver_window), 12};
    }
    return DisplayMode{0, 12};
}

void RunDisplayMode(const DisplayMode& mode) {
    if (mode.window < 0) platform::End();
    Module1::ShowOnHostWindow(mode.window, mode.draw_width);
}

}  // namespace glimra
