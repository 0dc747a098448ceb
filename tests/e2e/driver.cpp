// driver.exe: what only Win32 can see or do for the end-to-end tests. Each answer is a line
// of tab-separated key=value fields (numbers joined by commas); a failure answers error=...
#include <windows.h>
#include <sddl.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "settings/layout.h"

namespace {
using Args = std::vector<std::wstring>;
std::wstring line;  // the answer being built
long long N(const std::wstring& text) { return wcstoll(text.c_str(), nullptr, 10); }
long long Id(const void* handle) { return reinterpret_cast<long long>(handle); }
HWND W(const std::wstring& text) { return reinterpret_cast<HWND>(N(text)); }
LRESULT Send(HWND w, UINT message, WPARAM wparam = 0, LPARAM lparam = 0, UINT ms = 5000) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(w, message, wparam, lparam, SMTO_ABORTIFHUNG, ms, &result) ? result
                                                                                          : -1;
}
void Text(const wchar_t* key, std::wstring text) {
    for (wchar_t& c : text) c = c < L' ' ? L' ' : c;
    line += (line.empty() ? L"" : L"\t") + std::wstring(key) + L"=" + text;
}
void Put(const wchar_t* key, const std::vector<long long>& numbers) {
    std::wstring text;
    for (const long long n : numbers) text += (text.empty() ? L"" : L",") + std::to_wstring(n);
    Text(key, text);
}
void End() {  // prints the answer in UTF-8
    std::string utf8(line.size() * 3 + 1, '\n');
    const int size = WideCharToMultiByte(CP_UTF8, 0, line.data(), line.size(), utf8.data(),
                                         utf8.size(), nullptr, nullptr);
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), utf8.data(), size + 1, &written, nullptr);
    line.clear();
}
void Need(bool done, const wchar_t* what) {
    if (!done)
        line.clear(), Text(L"error", what), Put(L"win32", {GetLastError()}), End(), ExitProcess(1);
}
DWORD Pid(HWND w) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    return pid;
}

// Starts exe with exactly this command line and no standard handles, so that it holds none of
// the caller's pipes.
PROCESS_INFORMATION Launch(const std::wstring& exe, std::wstring command, DWORD flags = 0) {
    STARTUPINFOW startup{sizeof startup};
    startup.dwFlags = STARTF_USESTDHANDLES;
    PROCESS_INFORMATION process{};
    Need(CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, flags, nullptr,
                        nullptr, &startup, &process),
         L"CreateProcessW");
    return process;
}
void PutExit(HANDLE process, DWORD ms) {
    DWORD code = 0;
    const bool exited = WaitForSingleObject(process, ms) == WAIT_OBJECT_0;
    Put(L"exited", {exited});
    if (exited && GetExitCodeProcess(process, &code)) Put(L"code", {code});
}

// run <exe> <command line> <count> <ms>: starts count processes at once (created suspended,
// resumed back to back); one is watched for up to ms, noting the classes of the visible windows
// it shows meanwhile.
void Run(const Args& a) {
    std::vector<PROCESS_INFORMATION> started;
    std::vector<long long> pids;
    for (long long i = 0; i < N(a[2]); ++i) started.push_back(Launch(a[0], a[1], CREATE_SUSPENDED));
    for (const auto& p : started)
        ResumeThread(p.hThread), CloseHandle(p.hThread), pids.push_back(p.dwProcessId);
    Put(L"pids", pids);
    std::wstring seen;
    for (const ULONGLONG end = GetTickCount64() + N(a[3]);
         GetTickCount64() < end && WaitForSingleObject(started[0].hProcess, 5);)
        for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
            wchar_t name[64] = {};
            if (Pid(w) == pids[0] && IsWindowVisible(w) && GetClassNameW(w, name, 64)) seen += name;
        }
    if (N(a[3])) PutExit(started[0].hProcess, 0), Text(L"seen", seen);
    End();
}

// wait <pid> <ms|kill>: whether the process has ended within ms, or once killed.
void Wait(const Args& a) {
    const HANDLE process = OpenProcess(
        SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, N(a[0]));
    if (process && a[1] == L"kill") TerminateProcess(process, 1);
    process ? PutExit(process, a[1] == L"kill" ? 10000 : N(a[1])) : Put(L"exited", {1});
    End();
}
void Describe(HWND w) {
    wchar_t name[64] = {}, text[1024] = {};
    GetClassNameW(w, name, 64);
    Send(w, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
    RECT rect{}, client{};
    GetWindowRect(w, &rect), GetClientRect(w, &client);
    POINT origin{};
    ClientToScreen(w, &origin);
    const HWND parent = GetAncestor(w, GA_PARENT);
    Put(L"hwnd", {Id(w)}), Put(L"parent", {parent == GetDesktopWindow() ? 0 : Id(parent)}),
        Put(L"owner", {Id(GetWindow(w, GW_OWNER))});
    Put(L"id", {GetDlgCtrlID(w)}), Text(L"class", name),
        Put(L"style",
            {GetWindowLongW(w, GWL_STYLE) & 0xFFFFFFFFLL, GetWindowLongW(w, GWL_EXSTYLE)});
    Put(L"rect", {rect.left, rect.top, rect.right, rect.bottom}),
        Put(L"client", {origin.x, origin.y, client.right, client.bottom});
    Put(L"shown", {IsWindowVisible(w), IsWindowEnabled(w)});
    // Wine gives another process's context zero-extended: its sign goes back first.
    const auto context =
        static_cast<INT_PTR>(static_cast<INT32>(Id(GetWindowDpiAwarenessContext(w))));
    Put(L"dpi",
        {GetAwarenessFromDpiAwarenessContext(reinterpret_cast<DPI_AWARENESS_CONTEXT>(context))});
    int low = 0, high = 0;
    if (!lstrcmpiW(name, L"ScrollBar") && Send(w, SBM_GETRANGE, reinterpret_cast<WPARAM>(&low),
                                               reinterpret_cast<LPARAM>(&high)) != -1)
        Put(L"scroll", {Send(w, SBM_GETPOS), low, high});
    if (!lstrcmpiW(name, L"Edit"))
        Put(L"selection", {LOWORD(Send(w, EM_GETSEL)), HIWORD(Send(w, EM_GETSEL))});
    Text(L"text", text), End();
}
void Collect(HWND w, DWORD pid, bool all) {
    if (all || Pid(w) == pid) Describe(w);
    for (HWND child = GetWindow(w, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        Collect(child, pid, all || Pid(w) == pid);
}

// tree <pid>: a line for each visible top-level window of the process and its descendants, and
// for each window it has in others' windows; then its focus, active window and the cursor.
void Tree(const Args& a) {
    GUITHREADINFO thread{sizeof thread};
    for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (IsWindowVisible(w) || Pid(w) != N(a[0])) Collect(w, N(a[0]), false);
        if (Pid(w) == N(a[0])) GetGUIThreadInfo(GetWindowThreadProcessId(w, nullptr), &thread);
    }
    CURSORINFO cursor{sizeof cursor};
    GetCursorInfo(&cursor);
    Put(L"focus", {Id(thread.hwndFocus)}), Put(L"active", {Id(thread.hwndActive)});
    Put(L"cursor", {Id(cursor.hCursor), cursor.flags & CURSOR_SHOWING}), End();
}

// msg post|send <hwnd> <message> <wparam> <lparam, or =text to point to>
void Message(const Args& a) {
    const std::wstring text = a[4].substr(1);
    const LPARAM lparam = a[4][0] == L'=' ? reinterpret_cast<LPARAM>(text.c_str()) : N(a[4]);
    Need(a[0] == L"post" ? PostMessageW(W(a[1]), N(a[2]), N(a[3]), lparam)
                         : Send(W(a[1]), N(a[2]), N(a[3]), lparam) != -1,
         L"message");
    Put(L"done", {1}), End();
}

// ticks <hwnd> <count> [redraw]: posts WM_TIMER, with a sent WM_NULL after every 200 that returns
// once the target is back in its loop, so that its queue never overflows; then has the window
// erased and repainted if asked.
void Ticks(const Args& a) {
    for (long long i = 1; i <= N(a[1]) + 1; ++i) {
        Need(i > N(a[1]) || PostMessageW(W(a[0]), WM_TIMER, 1, 0), L"WM_TIMER");
        if (i % 200 == 0 || i > N(a[1]))
            Need(Send(W(a[0]), WM_NULL, 0, 0, 60000) != -1, L"WM_NULL");
    }
    if (a.size() > 2)
        RedrawWindow(W(a[0]), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    Put(L"done", {1}), End();
}

// gui <pid>: the GDI and USER objects of the process. Wine has no GetGuiResources: the used
// entries of its GDI handle table (at PEB + 0xF8, 24 bytes each, type at 14), and its windows.
void Gui(const Args& a) {
    const HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, N(a[0]));
    const auto query =
        reinterpret_cast<LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*)>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    char* basic[6] = {};
    void* table = nullptr;
    std::vector<unsigned char> entries(0x10000 * 24);
    SIZE_T read = 0;
    Need(process && !query(process, 0, basic, sizeof basic, nullptr) &&
             ReadProcessMemory(process, basic[1] + 0xF8, &table, sizeof table, nullptr) &&
             ReadProcessMemory(process, table, entries.data(), entries.size(), &read),
         L"the GDI handle table");
    long long gdi = 0, user = 0;
    for (SIZE_T at = 14; at < read; at += 24) gdi += entries[at] != 0;
    for (std::vector<HWND> next{GetDesktopWindow()}; !next.empty();)
        for (HWND w = next.back(), c = (next.pop_back(), GetWindow(w, GW_CHILD)); c;
             c = GetWindow(c, GW_HWNDNEXT))
            user += Pid(c) == N(a[0]), next.push_back(c);
    Put(L"gdi", {gdi}), Put(L"user", {user}), End();
}

// acl <sddl>: sets the settings key's access list.
void Acl(const Args& a) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    HKEY key = nullptr;
    Need(ConvertStringSecurityDescriptorToSecurityDescriptorW(a[0].c_str(), SDDL_REVISION_1,
                                                              &descriptor, nullptr) &&
             !RegCreateKeyExW(HKEY_CURRENT_USER,
                              L"Software\\VB and VBA Program Settings\\Vestrel\\config", 0, nullptr,
                              0, WRITE_DAC, nullptr, &key, nullptr) &&
             !RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor),
         L"the access list");
    Put(L"done", {1}), End();
}
LRESULT CALLBACK HostProc(HWND w, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(w, message, wparam, lparam);
}

// host <width> <height> <exe> [high]: a preview host as the display settings make one, running
// "<exe>" /p <handle>, the handle as Windows passes it (the unsigned decimal of its low 32 bits),
// until its window closes; then tells whether the saver ended with it. "high" takes a handle with
// bit 31 set: a USER handle's high bits count the reuses of its slot, the slot freed last is used
// next, and menus share the table with windows and are quick to make.
void Host(const Args& a) {
    WNDCLASSW host_class{0,       HostProc,     0,       0,
                         nullptr, nullptr,      nullptr, CreateSolidBrush(RGB(0, 128, 128)),
                         nullptr, L"GlimraHost"};
    RegisterClassW(&host_class);
    RECT frame{0, 0, static_cast<LONG>(N(a[0])), static_cast<LONG>(N(a[1]))};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    HWND w = nullptr;
    for (int round = 0; round < 8 && !(Id(w) & 0x80000000) && (!w || a.size() > 3); ++round) {
        for (HMENU menu = (w && DestroyWindow(w), nullptr); w && !(Id(menu) & 0x80000000);)
            DestroyMenu(menu = CreateMenu());
        w = CreateWindowW(
            L"GlimraHost", L"host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE, 40, 40,
            frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, nullptr, nullptr);
    }
    MSG message{};
    while (PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
        continue;  // from the windows destroyed
    const std::wstring handle = std::to_wstring(static_cast<UINT32>(Id(w)));
    const PROCESS_INFORMATION saver = Launch(a[2], L"\"" + a[2] + L"\" /p " + handle);
    Put(L"host", {Id(w)}), Put(L"pid", {saver.dwProcessId}), Text(L"handle", handle), End();
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    PutExit(saver.hProcess, 10000), End();
}

// detach <hwnd> <x> <y>: makes a child window of another process a top-level popup: Wine 8 shows
// no pixels that a process paints into a child of another process's window.
void Detach(const Args& a) {
    SetWindowLongW(W(a[0]), GWL_STYLE, (GetWindowLongW(W(a[0]), GWL_STYLE) & ~WS_CHILD) | WS_POPUP);
    SetParent(W(a[0]), nullptr);
    SetWindowPos(W(a[0]), HWND_TOPMOST, N(a[1]), N(a[2]), 0, 0,
                 SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    Put(L"done", {1}), End();
}

// hold event|denied: holds the program's lock name until killed, as an event or as a mutex whose
// access list grants nobody anything (an instance at another integrity level).
void Hold(const Args& a) {
    SECURITY_ATTRIBUTES denied{sizeof denied, nullptr, FALSE};
    ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:", SDDL_REVISION_1,
                                                         &denied.lpSecurityDescriptor, nullptr);
    const wchar_t* name = L"Local\\Glimra.Lumeck.Instance";
    Need(a[0] == L"event" ? CreateEventW(nullptr, TRUE, FALSE, name)
                          : CreateMutexW(&denied, FALSE, name),
         L"hold");
    Put(L"pid", {GetCurrentProcessId()}),
        Put(L"mutex", {CreateMutexW(nullptr, FALSE, name) ? 0 : GetLastError()}), End();
    Sleep(INFINITE);
}

// ink <face> <tenths of a point> <text>: the ink box of a caption drawn at 0, 0 as a label draws
// it (GB2312, black on white).
void Ink(const Args& a) {
    const HDC screen = GetDC(nullptr), dc = CreateCompatibleDC(screen);
    SelectObject(dc, CreateCompatibleBitmap(screen, 400, 100));
    SelectObject(dc, CreateFontW(-MulDiv(N(a[1]), GetDeviceCaps(screen, LOGPIXELSY), 720), 0, 0, 0,
                                 FW_NORMAL, 0, 0, 0, GB2312_CHARSET, 0, 0, 0, 0, a[0].c_str()));
    RECT box{400, 100, 0, 0}, all{0, 0, 400, 100};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DrawTextW(dc, a[2].c_str(), -1, &all, DT_SINGLELINE | DT_NOPREFIX);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 400; ++x)
            if (const RECT dot{x, y, x + 1, y + 1}; (GetPixel(dc, x, y) & 0xFFFFFF) != 0xFFFFFF)
                UnionRect(&box, &box, &dot);
    Put(L"ink", {box.left, box.top, box.right, box.bottom}), End();
}

// dpi <hwnd> <dpi>: WM_DPICHANGED as the system sends it when a window is dragged to a monitor
// of that DPI, the window's own size at 0, 0 suggested. Wine does not copy this message's
// rectangle across processes: it is written into the target's memory, and at the same address
// into the driver's.
void Dpi(const Args& a) {
    RECT rect{};
    GetWindowRect(W(a[0]), &rect);
    const RECT suggested{0, 0, rect.right - rect.left, rect.bottom - rect.top};
    const HANDLE process =
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, Pid(W(a[0])));
    void* remote =
        process ? VirtualAllocEx(process, nullptr, sizeof suggested, MEM_COMMIT, PAGE_READWRITE)
                : nullptr;
    Need(remote && WriteProcessMemory(process, remote, &suggested, sizeof suggested, nullptr),
         L"the rectangle");
    if (void* local =
            VirtualAlloc(remote, sizeof suggested, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE))
        *static_cast<RECT*>(local) = suggested;
    Need(Send(W(a[0]), WM_DPICHANGED, MAKEWPARAM(N(a[1]), N(a[1])), Id(remote)) != -1,
         L"WM_DPICHANGED");
    Put(L"done", {1}), End();
}

// layout: the product's table of controls: id, place on the client area in pixels at 96 DPI
// (15 twips each; a control in a frame relative to the frame), caption.
void Layout(const Args&) {
    for (const auto& control : glimra::layout::kControls) {
        int left = control.left;
        int top = control.top;
        for (const auto& frame : glimra::layout::kControls) {
            if (control.container == 0 || frame.id != control.container) continue;
            left += frame.left;
            top += frame.top;
        }
        Put(L"id", {control.id}), Put(L"rect", {left / 15, top / 15, (left + control.width) / 15,
                                                (top + control.height) / 15});
        Text(L"caption", std::wstring(control.caption)), End();
    }
}
}  // namespace

int main() {
    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);  // real pixels
    int count = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
    const std::pair<const wchar_t*, void (*)(const Args&)> commands[] = {
        {L"run", Run}, {L"wait", Wait},     {L"tree", Tree}, {L"msg", Message},   {L"ticks", Ticks},
        {L"gui", Gui}, {L"acl", Acl},       {L"host", Host}, {L"detach", Detach}, {L"hold", Hold},
        {L"ink", Ink}, {L"layout", Layout}, {L"dpi", Dpi}};
    for (const auto& [name, run] : commands)
        if (count > 1 && std::wstring(argv[1]) == name) return run(Args(argv + 2, argv + count)), 0;
    Need(false,
         L"usage: driver run|wait|tree|msg|ticks|gui|acl|host|detach|hold|ink|layout|dpi ...");
}
