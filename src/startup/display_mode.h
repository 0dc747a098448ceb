#pragma once
// The display-mode contract of X11 screen-saver hosts: "--root" (or "-root") paints the
// whole screen, "--window-id <id>" (or "-window-id <id>") a window the host made, such as a
// settings preview; XSCREENSAVER_WINDOW names the host's full-screen window. The host owns
// input and ends the mode with SIGTERM.
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace glimra {

struct DisplayMode {
    std::int64_t window;  // 0: the root window; -1: an id that names no window
    int draw_width;       // 12 on the full screen, 4 in a preview
};

// Nothing when the arguments are not a display mode's. An id on the command line wins
// over the environment's, and the environment's over the root window. Ids are decimal or
// "0x" hexadecimal.
std::optional<DisplayMode> ReadDisplayMode(std::span<const std::string_view> arguments,
                                           const char* xscreensaver_window);

// Start-up in a display mode: the two settings, then Form1 drawing on the host's window.
// No single-instance rule: the host decides how many run.
void RunDisplayMode(const DisplayMode& mode);

}  // namespace glimra
