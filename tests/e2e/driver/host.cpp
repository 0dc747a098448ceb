// A preview host as the display settings make one: a top-level window whose client area has
// the preview's size, with the saver started as "<exe>" /p <its handle>. It lives until its
// window is closed, then reports whether the saver ended with it.
#include "commands.h"

namespace e2e {
namespace {

constexpr wchar_t kHostClass[] = L"GlimraE2EHost";
// Teal, so that any part of the preview the saver leaves uncovered stands out.
constexpr COLORREF kHostColour = RGB(0, 128, 128);

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

HWND CreateHost(int width, int height) {
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = HostProc;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window_class.hbrBackground = CreateSolidBrush(kHostColour);
    window_class.lpszClassName = kHostClass;
    if (!RegisterClassW(&window_class)) FailWin32("RegisterClassW");
    constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    RECT frame{0, 0, width, height};
    AdjustWindowRectEx(&frame, kStyle, FALSE, 0);
    const HWND window = CreateWindowExW(0, kHostClass, L"preview host", kStyle, 40, 40,
                                        frame.right - frame.left, frame.bottom - frame.top, nullptr,
                                        nullptr, window_class.hInstance, nullptr);
    if (window == nullptr) FailWin32("CreateWindowExW");
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    return window;
}

void PumpFor(DWORD milliseconds) {
    const ULONGLONG deadline = GetTickCount64() + milliseconds;
    MSG message{};
    while (GetTickCount64() < deadline) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

}  // namespace

// Shows a host window for a while and destroys it again. The first window of a fresh prefix
// starts Wine's desktop process and fills its font cache, which takes seconds; the fixture
// does it once so that the tests' first start is as quick as the others.
int ShowWindowFor(const Args& args) {
    const std::int64_t milliseconds = ParseInt(args[0]);
    if (milliseconds < 0 || milliseconds > 600000)
        throw Failure("show-window takes 0 to 600000 ms");
    const HWND window = CreateHost(152, 112);
    PumpFor(static_cast<DWORD>(milliseconds));
    const bool visible = IsWindowVisible(window) != 0;
    DestroyWindow(window);
    PrintLine(Json().Number("hwnd", WindowNumber(window)).Bool("visible", visible).str());
    return visible ? 0 : 1;
}

int Host(const Args& args) {
    const std::int64_t width = ParseInt(args[0]);
    const std::int64_t height = ParseInt(args[1]);
    if (width < 1 || height < 1 || width > 4096 || height > 4096)
        throw Failure("host size out of range");
    const std::wstring prefix = args.size() > 3 ? args[3] : L"/p ";
    const HWND window = CreateHost(static_cast<int>(width), static_cast<int>(height));
    const std::wstring argtext = prefix + std::to_wstring(WindowNumber(window));
    const PROCESS_INFORMATION process = LaunchProgram(args[2], argtext, 0);
    CloseHandle(process.hThread);
    Handle child(process.hProcess);
    PrintLine(Json()
                  .Number("host", WindowNumber(window))
                  .Number("pid", process.dwProcessId)
                  .Number("host_pid", GetCurrentProcessId())
                  .Text("argtext", argtext)
                  .str());
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    Json closed;
    closed.Bool("closed", true);
    AddExit(closed, child.get(), 10000);
    PrintLine(closed.str());
    return 0;
}

}  // namespace e2e
