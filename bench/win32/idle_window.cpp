// The baseline for the saver's cost: a bare full-screen window whose 100 ms timer does
// nothing, so that what the saver costs beyond a message loop can be read off.
#include <windows.h>

namespace {

LRESULT CALLBACK IdleProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_DESTROY) PostQuitMessage(0);
    if (message == WM_TIMER) return 0;
    return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = IdleProc;
    window_class.hInstance = instance;
    window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    window_class.lpszClassName = L"GlimraIdle";
    RegisterClassW(&window_class);
    const HWND window = CreateWindowExW(
        WS_EX_TOPMOST, L"GlimraIdle", L"idle", WS_POPUP | WS_VISIBLE, 0, 0,
        GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, instance,
        nullptr);
    SetTimer(window, 1, 100, nullptr);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    return 0;
}
