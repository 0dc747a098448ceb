#include "platform/win32/screen.h"

#include "platform/win32/delayed.h"
#include "platform/win32/handles.h"

namespace glimra::win32 {

namespace {

// The names of newer headers, spelled here since the program builds for Windows 7.
using DpiContext = HANDLE;
const auto kPerMonitorAwareV2 = reinterpret_cast<DpiContext>(static_cast<INT_PTR>(-4));
constexpr int kProcessPerMonitorAware = 2;

template <typename Function>
Function* User32(const char* name) {
    return reinterpret_cast<Function*>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

}  // namespace

void DeclareDpiAwareness() {
    if (const auto set_context = User32<BOOL WINAPI(DpiContext)>("SetProcessDpiAwarenessContext");
        set_context != nullptr && set_context(kPerMonitorAwareV2)) {
        return;
    }
    if (const HMODULE shcore = delayed::SystemLibrary(L"shcore.dll"); shcore != nullptr) {
        const auto set_awareness = reinterpret_cast<HRESULT WINAPI (*)(int)>(
            reinterpret_cast<void*>(GetProcAddress(shcore, "SetProcessDpiAwareness")));
        if (set_awareness != nullptr && SUCCEEDED(set_awareness(kProcessPerMonitorAware))) return;
    }
    if (const auto set_aware = User32<BOOL WINAPI()>("SetProcessDPIAware")) set_aware();
}

int WindowDpi(HWND window) {
    static const auto for_window = User32<UINT WINAPI(HWND)>("GetDpiForWindow");
    if (for_window != nullptr) {
        if (const UINT dpi = for_window(window); dpi > 0) return static_cast<int>(dpi);
    }
    const WindowDC dc(window);
    const int dpi = GetDeviceCaps(dc.get(), LOGPIXELSY);
    return dpi > 0 ? dpi : 96;
}

int SystemMetric(int index, int dpi) {
    static const auto for_dpi = User32<int WINAPI(int, UINT)>("GetSystemMetricsForDpi");
    return for_dpi != nullptr ? for_dpi(index, static_cast<UINT>(dpi)) : GetSystemMetrics(index);
}

void AdjustFrame(RECT& client, DWORD style, int dpi) {
    static const auto for_dpi =
        User32<BOOL WINAPI(RECT*, DWORD, BOOL, DWORD, UINT)>("AdjustWindowRectExForDpi");
    if (for_dpi == nullptr || !for_dpi(&client, style, FALSE, 0, static_cast<UINT>(dpi))) {
        AdjustWindowRectEx(&client, style, FALSE, 0);
    }
}

}  // namespace glimra::win32
