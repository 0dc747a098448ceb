#pragma once
// Form1's window on Wayland: a surface over every output, on the layer shell or as
// full-screen toplevels.
#include <memory>

#include "platform/saver_window.h"
#include "platform/wayland/connection.h"

namespace glimra::wayland {

std::unique_ptr<platform::SaverWindow> NewSaverWindow(platform::SaverEvents& events,
                                                      Connection& connection);

}  // namespace glimra::wayland
