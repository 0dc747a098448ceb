#include "platform/linux/display_system.h"

#include "platform/platform.h"
#include "platform/posix/process.h"
#include "platform/saver_window.h"
#include "platform/wayland/saver_window.h"
#include "platform/x11/connection.h"
#include "platform/x11/saver_window.h"

namespace glimra::platform {

namespace {

SaverUse g_use = SaverUse::kFullScreen;

}  // namespace

void UseSaverDisplay(SaverUse use) { g_use = use; }

// A host's window (a display mode) is X11's. A preview whose host cannot be reached ends at
// once and quietly, as for a handle that names no window.
std::unique_ptr<SaverWindow> NewSaverWindow(SaverEvents& events,
                                            std::optional<HostHandle> host_window) {
    if (!host_window && g_use == SaverUse::kFullScreen) {
        if (wayland::Connection* compositor = wayland::Connect()) {
            return wayland::NewSaverWindow(events, *compositor);
        }
    }
    if (x11::TryConnection() == nullptr) {
        if (!host_window && g_use == SaverUse::kPreview) End();
        posix::EndWithoutDisplay();
    }
    return x11::NewSaverWindow(events, host_window);
}

}  // namespace glimra::platform
