#include "platform/win32/screen.h"

#include "platform/win32/handles.h"

namespace glimra::win32 {

int ScreenDpi() {
    static const int dpi = [] {
        const WindowDC screen(nullptr);
        const int value = GetDeviceCaps(screen.get(), LOGPIXELSX);
        return value > 0 ? value : 96;
    }();
    return dpi;
}

float TwipsPerPixel() { return 1440.0f / static_cast<float>(ScreenDpi()); }

int TwipsToPixels(int twips) { return MulDiv(twips, ScreenDpi(), 1440); }

}  // namespace glimra::win32
