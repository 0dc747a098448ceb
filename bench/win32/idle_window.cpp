// The baselines for the saver's cost: a bare full-screen window whose 100 ms timer does
// nothing, so that what the saver costs beyond a message loop can be read off; and, with
// the argument "paint", the same window painting one fixed grey dot per tick, which tells
// what the drawing itself costs under the platform.
#include <windows.h>

namespace {

bool paint_dots = false;

void PaintDot(HWND window) {
    const HDC dc = GetDC(window);
    const HGDIOBJ pen = SelectObject(dc, GetStockObject(NULL_PEN));
    const HGDIOBJ brush = SelectObject(dc, GetStockObject(GRAY_BRUSH));
    Ellipse(dc, 100, 100, 113, 113);
    SelectObject(dc, brush);
    SelectObject(dc, pen);
    ReleaseDC(window, dc);
}

LRESULT CALLBACK IdleProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_DESTROY) PostQuitMessage(0);
    if (message == WM_TIMER) {
        if (paint_dots) PaintDot(window);
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR command_line, int) {
    paint_dots = lstrcmpiW(command_line, L"paint") == 0;
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = IdleProc;
    window_class.hInstance = instance;
    window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    window_class.lpszClassName = L"GlimraIdle";
    RegisterClassW(&window_class);
    const HWND window =
        CreateWindowExW(WS_EX_TOPMOST, L"GlimraIdle", L"idle", WS_POPUP | WS_VISIBLE, 0, 0,
                        GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr,
                        nullptr, instance, nullptr);
    SetTimer(window, 1, 100, nullptr);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    return 0;
}
