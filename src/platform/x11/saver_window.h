#pragma once
// Form1's window on X11: its own override-redirect window, a preview host's child, or a
// display-mode host's window.
#include <memory>
#include <optional>

#include "platform/saver_window.h"

namespace glimra::x11 {

std::unique_ptr<platform::SaverWindow> NewSaverWindow(
    platform::SaverEvents& events, std::optional<platform::HostHandle> host_window);

}  // namespace glimra::x11
