// The program's entry on Linux. A screen-saver host's display mode ("--root",
// "--window-id", XSCREENSAVER_WINDOW) attaches Form1 to the host's window; any other
// command line is the program's own, and Main runs. Then the loop runs
// for as long as a form is loaded.
//
// The display system is chosen here: a display mode and "/p" are X11's, since they name
// X11 windows; the full-screen saver takes a Wayland compositor with the layer shell when
// WAYLAND_DISPLAY names one, else X11; with neither it ends with a line on stderr.
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

int main(int argc, char** argv) {
    glimra::posix::SetArguments(argc, argv);
    glimra::posix::ShowErrorsIn(glimra::gtk::ErrorBoxOfModule);  // loaded only for the box
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
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
