#pragma once
// A display system's module: the display system supplies these two, and the module's common
// side (module_side.cpp) offers them, with the window they make, through the C boundary.
#include <memory>
#include <optional>

#include "platform/saver_window.h"

namespace glimra::platform {

// Whether the display system's server answers.
bool ConnectDisplay();
// The window, once ConnectDisplay answered; `host_window` only on X11.
std::unique_ptr<SaverWindow> NewDisplayWindow(SaverEvents& events,
                                              std::optional<HostHandle> host_window);

}  // namespace glimra::platform
