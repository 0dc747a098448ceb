// The program's entry on Linux. A screen-saver host's display mode ("--root",
// "--window-id", XSCREENSAVER_WINDOW) attaches Form1 to the host's window; any other
// command line is the program's own, and Main runs. Then the loop runs
// for as long as a form is loaded.
//
// The display system is chosen here: a display mode and "/p" are X11's, since they name
// X11 windows; the full-screen saver takes a Wayland compositor with the layer shell when
// WAYLAND_DISPLAY names one, else X11; with neither it ends with a line on stderr.
//
// "--help" (or "-h") and "--version" as the first argument are answered on stdout first, as
// Linux programs do; the Windows grammar has no such words and opens the dialog for them.
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "platform/gtk/module.h"
#include "platform/linux/display_system.h"
#include "platform/platform.h"
#include "platform/posix/process.h"
#include "startup/command_line.h"
#include "startup/display_mode.h"
#include "startup/module1.h"

namespace {

constexpr const char* kUsage =
    "Usage: lumeck [/s | /v | /c | /p WINDOW]\n"
    "       lumeck --root | --window-id WINDOW\n"
    "       lumeck --help | --version\n"
    "Glimra: single dots of random colour on a black screen.\n"
    "\n"
    "  /s                  the saver, over every monitor; input ends it\n"
    "  /p WINDOW           the preview, inside the X window WINDOW (decimal or 0x...)\n"
    "  /v                  the statement box that names the maker\n"
    "  /c, anything else   the settings dialog\n"
    "\n"
    "Display modes, for screen-saver hosts such as XScreenSaver:\n"
    "  --root              paint XSCREENSAVER_WINDOW, or else the root window\n"
    "  --window-id WINDOW  paint the host's window WINDOW, a preview\n"
    "\n"
    "Settings: ${XDG_CONFIG_HOME:-$HOME/.config}/Vestrel/settings.ini\n"
    "See lumeck(6).\n";

// Whether the first argument was one of the conventional words, now answered on stdout.
bool AnsweredAsLinuxDoes(std::string_view first) {
    if (first == "--help" || first == "-h") {
        std::fputs(kUsage, stdout);
    } else if (first == "--version") {
        std::fputs("lumeck (Glimra) " GLIMRA_VERSION "\n", stdout);
    } else {
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    glimra::posix::SetArguments(argc, argv);
    glimra::posix::ShowErrorsIn(glimra::gtk::ErrorBoxOfModule);  // loaded only for the box
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    if (!arguments.empty() && AnsweredAsLinuxDoes(arguments.front())) {
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    const auto mode = glimra::ReadDisplayMode(arguments, std::getenv("XSCREENSAVER_WINDOW"));
    using glimra::platform::SaverUse;
    if (mode) {
        glimra::platform::Guarded([&] { glimra::RunDisplayMode(*mode); });
    } else {
        const bool preview =
            glimra::SelectMode(glimra::platform::CommandText()) == glimra::Mode::kPreview;
        glimra::platform::UseSaverDisplay(preview ? SaverUse::kPreview : SaverUse::kFullScreen);
        glimra::platform::Guarded([] { glimra::Module1::Main(); });
    }
    glimra::platform::RunMessageLoop();
    return 0;
}
