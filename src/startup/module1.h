#pragma once
// Start-up: the single-instance rule, the two settings, and the choice of mode.
#include <cstdint>

namespace glimra::Module1 {

// Written once by Main (the settings) and by AttachToPreview (the preview flag); read by
// the forms.
extern std::int16_t pointlimit;
extern std::int16_t drawinterval;
extern std::int16_t inpreview;  // 0 = false, -1 = true

void Main();
// Main's second step: "NumberofPoint" into pointlimit, then "speed" into drawinterval.
void ReadSettings();
void AttachToPreview();

}  // namespace glimra::Module1
