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
    WNDCLASSW known{};
    if (!GetClassInfoW(window_class.hInstance, kHostClass, &known) &&
        !RegisterClassW(&window_class))
        FailWin32("RegisterClassW");
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

bool HighBit(const void* handle) { return (reinterpret_cast<UINT_PTR>(handle) & 0x80000000u) != 0; }

// A host whose handle has bit 31 set, as Windows hands out once a slot has been reused
// often enough: the high 16 bits of a USER handle count the reuses of its slot, and menus
// share the table with windows and are quick to make, so menus go round until the slot's
// count sets the bit, and the window then takes that slot.
HWND CreateHighHost(int width, int height) {
    DestroyWindow(CreateHost(width, height));  // the thread's first window brings others
    for (int attempt = 0; attempt < 8; ++attempt) {
        for (int round = 0; round < 0x20000; ++round) {
            const HMENU menu = CreateMenu();
            DestroyMenu(menu);
            if (HighBit(menu)) break;
        }
        const HWND window = CreateHost(width, height);
        if (HighBit(window)) {
            MSG quit{};  // posted by the windows destroyed on the way
            while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
            }
            return window;
        }
        DestroyWindow(window);
    }
    throw Failure("no window handle with bit 31 set");
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
    const bool high = args.size() > 4 && args[4] == L"high";
    const HWND window = high ? CreateHighHost(static_cast<int>(width), static_cast<int>(height))
                             : CreateHost(static_cast<int>(width), static_cast<int>(height));
    // The handle as Windows passes it: the unsigned decimal of its low 32 bits.
    const auto number = static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(window));
    const std::wstring argtext = prefix + std::to_wstring(number);
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
