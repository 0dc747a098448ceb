#pragma once
// Which display system Form1's window goes to, as start-up reads the command line. A
// host's display mode and "/p" name X11 windows, so they stay on X11. The full-screen saver
// uses the Wayland compositor that WAYLAND_DISPLAY names, on its layer shell where it has one,
// else as full-screen xdg-shell toplevels; X11 through DISPLAY only when no Wayland compositor
// answers.
namespace glimra::platform {

enum class SaverUse { kFullScreen, kPreview };

// Decides where the next NewSaverWindow puts the window; the connection is made then, so
// that the dialog and the statement box never open one.
void UseSaverDisplay(SaverUse use);

}  // namespace glimra::platform
