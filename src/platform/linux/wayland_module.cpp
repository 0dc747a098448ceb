// lumeck-wayland.so: the full-screen saver on the Wayland compositor that WAYLAND_DISPLAY
// names. No host's window is ever Wayland's.
#include "platform/linux/module_side.h"
#include "platform/wayland/connection.h"
#include "platform/wayland/saver_window.h"

namespace glimra::platform {

bool ConnectDisplay() { return wayland::Connect() != nullptr; }

std::unique_ptr<SaverWindow> NewDisplayWindow(SaverEvents& events, std::optional<HostHandle>) {
    return wayland::NewSaverWindow(events, *wayland::Connect());
}

}  // namespace glimra::platform
