#pragma once
// Twips and pixels: twips per pixel follow the display's logical DPI (15 at 96 DPI).
#include <windows.h>

namespace glimra::win32 {

int ScreenDpi();
float TwipsPerPixel();
int TwipsToPixels(int twips);

}  // namespace glimra::win32
