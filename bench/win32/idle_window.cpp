// The baseline for the saver's cost: a full-screen window whose 100 ms timer paints one
// fixed grey dot the cheapest way, on the window's own DC with the DC's own brush, pen and
// brush selected once. Beside it, what the saver costs beyond painting a dot per tick can
// be read off. With the argument "bare" the timer paints nothing: a bare message loop.
#include <windows.h>

namespace {

HDC own_dc = nullptr;  // a CS_OWNDC window's DC: never released, gone with the window

void PaintDot() { Ellipse(own_dc, 100, 100, 113, 113); }

LRESULT CALLBACK IdleProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_DESTROY) PostQuitMessage(0);
    if (message == WM_TIMER) {
        if (own_dc != nullptr) PaintDot();
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR command_line, int) {
    const bool paint_dots = lstrcmpiW(command_line, L"bare") != 0;
    WNDCLASSW window_class{};
    window_class.style = CS_OWNDC;
    window_class.lpfnWndProc = IdleProc;
    window_class.hInstance = instance;
    window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    window_class.lpszClassName = L"GlimraIdle";
    RegisterClassW(&window_class);
    const HWND window =
        CreateWindowExW(WS_EX_TOPMOST, L"GlimraIdle", L"idle", WS_POPUP | WS_VISIBLE, 0, 0,
                        GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr,
                        nullptr, instance, nullptr);
    if (paint_dots) {
        own_dc = GetDC(window);
        SelectObject(own_dc, GetStockObject(NULL_PEN));
        SelectObject(own_dc, GetStockObject(DC_BRUSH));
        SetDCBrushColor(own_dc, RGB(128, 128, 128));
    }
    SetTimer(window, 1, 100, nullptr);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    return 0;
}
