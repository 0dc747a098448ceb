#pragma once
// The display's DPI as a window sees it, and the DPI functions of newer Windows, looked up
// at run time: an older system lacks them, and the program runs there as it always did.
#include <windows.h>

namespace glimra::win32 {

// Per-monitor DPI awareness (version 2) for the whole process, or the best an older system
// offers (per monitor, then system-wide); nothing where there is none. Called before the
// process makes its first window.
void DeclareDpiAwareness();

// The DPI the window is drawn at: its monitor's for an aware window, 96 for an unaware one,
// and where the system cannot tell per window, that of the window's DC.
int WindowDpi(HWND window);

// GetSystemMetrics at `dpi` where the system can give it, else at the system's DPI.
int SystemMetric(int index, int dpi);

// The window rectangle around `client` for a window of `style` drawn at `dpi`.
void AdjustFrame(RECT& client, DWORD style, int dpi);

}  // namespace glimra::win32
