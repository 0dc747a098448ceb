// lumeck-x11.so: the saver window on an X server, for the full-screen saver where no Wayland
// compositor answers, the preview, and a host's display mode.
#include "platform/linux/module_side.h"
#include "platform/x11/connection.h"
#include "platform/x11/saver_window.h"

namespace glimra::platform {

bool ConnectDisplay() { return x11::TryConnection() != nullptr; }

std::unique_ptr<SaverWindow> NewDisplayWindow(SaverEvents& events,
                                              std::optional<HostHandle> host_window) {
    return x11::NewSaverWindow(events, host_window);
}

}  // namespace glimra::platform
