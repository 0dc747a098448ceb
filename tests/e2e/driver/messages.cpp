// Messages to the windows of the program under test, as the user's actions would send them.
#include "commands.h"

namespace e2e {
namespace {

HWND ExistingWindow(const std::wstring& text) {
    const HWND window = ParseWindow(text);
    if (!IsWindow(window)) throw Failure("no such window: " + Utf8(text));
    return window;
}

void Post(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (!PostMessageW(window, message, wparam, lparam)) FailWin32("PostMessageW");
}

// Posts one message, waiting while the target's queue is full.
bool PostPatiently(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    for (int attempt = 0; attempt < 500; ++attempt) {
        if (PostMessageW(window, message, wparam, lparam)) return true;
        if (GetLastError() != ERROR_NOT_ENOUGH_QUOTA) return false;
        Sleep(10);
    }
    return false;
}

// CPU time (kernel + user) of a thread so far, in 100 ns units; -1 when it cannot be read.
std::int64_t ThreadCpuTime(HANDLE thread) {
    FILETIME created{};
    FILETIME ended{};
    FILETIME kernel{};
    FILETIME user{};
    if (!GetThreadTimes(thread, &created, &ended, &kernel, &user)) return -1;
    const auto total = [](const FILETIME& time) {
        return static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) |
                                         time.dwLowDateTime);
    };
    return total(kernel) + total(user);
}

// Waits until the thread has used no CPU for a quarter of a second. Nothing tells from outside
// when another thread has handled all its posted messages (a sent message is handled before
// them), so a thread that has gone quiet is taken as done.
bool WaitUntilQuiet(DWORD thread_id, DWORD timeout_ms) {
    Handle thread(OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, thread_id));
    if (!thread) return false;
    const ULONGLONG deadline = GetTickCount64() + timeout_ms;
    std::int64_t last = ThreadCpuTime(thread.get());
    while (GetTickCount64() < deadline) {
        Sleep(250);
        const std::int64_t now = ThreadCpuTime(thread.get());
        if (now < 0) return false;
        if (now == last) return true;
        last = now;
    }
    return false;
}

}  // namespace

int SetText(const Args& args) {
    const HWND window = ExistingWindow(args[0]);
    LRESULT result = 0;
    const bool answered =
        SendWithTimeout(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(args[1].c_str()), result);
    PrintLine(Json().Bool("answered", answered).Number("result", result).str());
    return answered ? 0 : 1;
}

int GetText(const Args& args) {
    const HWND window = ExistingWindow(args[0]);
    PrintLine(Json().Text("text", WindowText(window)).str());
    return 0;
}

// SBM_SETPOS moves the thumb and redraws; it sends no WM_HSCROLL to the owner, just as a
// program's own assignment to the position would not.
int SetScroll(const Args& args) {
    const HWND window = ExistingWindow(args[0]);
    const auto pos = static_cast<WPARAM>(ParseInt(args[1]));
    LRESULT previous = 0;
    if (!SendWithTimeout(window, SBM_SETPOS, pos, TRUE, previous)) FailWin32("SBM_SETPOS");
    LRESULT now = 0;
    SendWithTimeout(window, SBM_GETPOS, 0, 0, now);
    PrintLine(Json().Number("previous", previous).Number("pos", now).str());
    return 0;
}

// Posted, not sent: the click may open a modal box, and the driver must not wait for it.
int Press(const Args& args) {
    const HWND window = ExistingWindow(args[0]);
    Post(window, BM_CLICK, 0, 0);
    PrintLine(Json().Bool("posted", true).str());
    return 0;
}

// WM_CLOSE as DefWindowProc's close box sends it, or WM_SYSCOMMAND SC_CLOSE as the system menu.
int Close(const Args& args) {
    const HWND window = ExistingWindow(args[0]);
    if (args.size() > 1 && args[1] == L"syscommand")
        Post(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    else
        Post(window, WM_CLOSE, 0, 0);
    PrintLine(Json().Bool("posted", true).str());
    return 0;
}

// Posts WM_TIMER in batches; between batches a sent WM_NULL waits until the target's thread
// is back in its message loop, so that a slow target is not buried under the whole count.
// At the end it waits for the target's thread to go quiet ("settled").
int PostTimer(const Args& args) {
    const HWND window = ExistingWindow(args[0]);
    const std::int64_t count = ParseInt(args[1]);
    const auto id = static_cast<WPARAM>(args.size() > 2 ? ParseInt(args[2]) : 1);
    constexpr std::int64_t kBatch = 200;
    std::int64_t posted = 0;
    while (posted < count) {
        for (std::int64_t i = 0; i < kBatch && posted < count; ++i, ++posted)
            if (!PostPatiently(window, WM_TIMER, id, 0)) FailWin32("PostMessageW WM_TIMER");
        LRESULT ignored = 0;
        if (!SendWithTimeout(window, WM_NULL, 0, 0, ignored)) break;
    }
    const bool settled = WaitUntilQuiet(GetWindowThreadProcessId(window, nullptr), 120000);
    PrintLine(Json()
                  .Number("posted", posted)
                  .Bool("settled", settled)
                  .Bool("alive", IsWindow(window) != 0)
                  .str());
    return posted == count ? 0 : 1;
}

// Makes a child window of another process a top-level popup at (x, y), keeping its size.
// Wine 8 shows no pixels that a process paints into a child of another process's window, so
// a preview's painting can only be seen once its window has left the host.
int Detach(const Args& args) {
    const HWND window = ExistingWindow(args[0]);
    const auto x = static_cast<int>(ParseInt(args[1]));
    const auto y = static_cast<int>(ParseInt(args[2]));
    RECT rect{};
    GetWindowRect(window, &rect);
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
    SetWindowLongPtrW(window, GWL_STYLE, static_cast<LONG_PTR>((style & ~WS_CHILD) | WS_POPUP));
    SetParent(window, nullptr);
    SetWindowPos(window, HWND_TOPMOST, x, y, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_FRAMECHANGED);
    const HWND parent = GetAncestor(window, GA_PARENT);
    PrintLine(Json().Bool("top_level", parent == GetDesktopWindow()).str());
    return 0;
}

// WM_DPICHANGED as the system sends it when a window is dragged to a monitor of `dpi`, with
// the window's own size at (0, 0) as the suggested rectangle. The rectangle is written into
// the target's memory, and at the same address in the driver's too, so that it arrives
// whether or not the system copies this message's data across processes.
int DpiChanged(const Args& args) {
    const HWND window = ExistingWindow(args[0]);
    const auto dpi = static_cast<WORD>(ParseInt(args[1]));
    RECT rect{};
    GetWindowRect(window, &rect);
    const RECT suggested{0, 0, rect.right - rect.left, rect.bottom - rect.top};
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    Handle process(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, pid));
    void* remote = process ? VirtualAllocEx(process.get(), nullptr, sizeof suggested,
                                            MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)
                           : nullptr;
    if (remote == nullptr ||
        !WriteProcessMemory(process.get(), remote, &suggested, sizeof suggested, nullptr))
        FailWin32("VirtualAllocEx/WriteProcessMemory");
    if (void* local =
            VirtualAlloc(remote, sizeof suggested, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE))
        *static_cast<RECT*>(local) = suggested;
    LRESULT result = 0;
    const bool answered = SendWithTimeout(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                                          reinterpret_cast<LPARAM>(remote), result);
    VirtualFreeEx(process.get(), remote, 0, MEM_RELEASE);
    PrintLine(Json().Bool("answered", answered).str());
    return answered ? 0 : 1;
}

}  // namespace e2e

namespace e2e {

// Has the window erased and repainted at once, as when something that covered it goes away.
int Redraw(const Args& args) {
    const HWND window = ExistingWindow(args[0]);
    const BOOL done =
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    PrintLine(Json().Bool("redrawn", done != 0).str());
    return 0;
}

}  // namespace e2e
