#pragma once
// Start-up: the single-instance rule, the two settings, and the choice of mode.
#include <cstdint>

#include "platform/saver_window.h"

namespace glimra::Module1 {

// Written once by Main (the settings) and by AttachToPreview (the preview flag); read by
// the forms.
extern std::int16_t pointlimit;
extern std::int16_t drawinterval;
extern std::int16_t inpreview;  // 0 = false, -1 = true

void Main();
void AttachToPreview();

// Start-up in a screen-saver host's display mode: the two settings, then Form1 made for the
// host's window (0: the root window), shown with a pen of `draw_width` pixels. No
// single-instance rule: the host decides how many run.
void ShowOnHostWindow(platform::HostHandle window, int draw_width);

}  // namespace glimra::Module1
