// The program's entry on Linux. A screen-saver host's display mode ("--root",
// "--window-id", XSCREENSAVER_WINDOW) attaches Form1 to the host's window; any other
// command line is the program's own, and Main runs. Then the loop runs
// for as long as a form is loaded.
#include <cstdlib>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/process.h"
#include "startup/display_mode.h"
#include "startup/module1.h"

int main(int argc, char** argv) {
    glimra::posix::SetArguments(argc, argv);
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    const auto mode = glimra::ReadDisplayMode(arguments, std::getenv("XSCREENSAVER_WINDOW"));
    if (mode) {
        glimra::platform::Guarded([&] { glimra::RunDisplayMode(*mode); });
    } else {
        glimra::platform::Guarded([] { glimra::Module1::Main(); });
    }
    glimra::platform::RunMessageLoop();
    return 0;
}
