// driver.exe: what only Win32 can see or do for the end-to-end tests. Each answer is a line
// of tab-separated key=value fields (numbers joined by commas); a failure answers error=...
// with the Win32 error and exits with 1.
#include <windows.h>
#include <sddl.h>
#include <shellapi.h>

#include <cstdarg>
#include <cwchar>
#include <string>
#include <vector>

namespace {
using Args = std::vector<std::wstring>;

long long Number(const std::wstring& text) { return wcstoll(text.c_str(), nullptr, 10); }
long long HandleValue(const void* handle) { return reinterpret_cast<long long>(handle); }
HWND WindowOf(const std::wstring& text) { return reinterpret_cast<HWND>(Number(text)); }

// Prints one answer line in UTF-8, formatted as by wprintf: tab-separated key=value fields.
void Say(const wchar_t* format, ...) {
    wchar_t line[8192] = {};
    va_list fields;
    va_start(fields, format);
    std::vswprintf(line, std::size(line), format, fields);
    va_end(fields);
    std::string utf8(sizeof line, '\0');
    const int size = WideCharToMultiByte(CP_UTF8, 0, line, -1, utf8.data(), utf8.size(), nullptr,
                                         nullptr);  // with the closing null, replaced by '\n'
    utf8[size - 1] = '\n';
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), utf8.data(), size, &written, nullptr);
}

// A text as one field: no tabs or line ends inside.
std::wstring Field(std::wstring text) {
    for (wchar_t& c : text) {
        if (c < L' ') c = L' ';
    }
    return text;
}

void Need(bool done, const wchar_t* what) {
    if (done) return;
    Say(L"error=%ls\twin32=%lu", what, GetLastError());
    ExitProcess(1);
}

void Done() { Say(L"done=1"); }

DWORD ProcessOf(HWND window) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    return pid;
}

LRESULT Send(HWND window, UINT message, WPARAM wparam = 0, LPARAM lparam = 0, UINT ms = 5000) {
    DWORD_PTR result = 0;
    const bool answered =
        SendMessageTimeoutW(window, message, wparam, lparam, SMTO_ABORTIFHUNG, ms, &result);
    return answered ? result : -1;
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

// Whether the process has ended within ms, and then its exit code: two fields.
std::wstring ExitFields(HANDLE process, DWORD ms) {
    DWORD code = 0;
    if (WaitForSingleObject(process, ms) != WAIT_OBJECT_0) return L"exited=0";
    if (!GetExitCodeProcess(process, &code)) return L"exited=1";
    return L"exited=1\tcode=" + std::to_wstring(code);
}

// run <exe> <command line> <count> <ms>: starts count processes at once (created suspended,
// resumed back to back); the first is watched for up to ms, noting the classes of the visible
// windows it shows meanwhile.
void Run(const Args& args) {
    std::vector<PROCESS_INFORMATION> started;
    for (long long i = 0; i < Number(args[2]); ++i) {
        started.push_back(Launch(args[0], args[1], CREATE_SUSPENDED));
    }
    std::wstring pids;
    for (const PROCESS_INFORMATION& process : started) {
        ResumeThread(process.hThread);
        CloseHandle(process.hThread);
        pids += (pids.empty() ? L"" : L",") + std::to_wstring(process.dwProcessId);
    }
    const long long watch_ms = Number(args[3]);
    std::wstring seen;
    const ULONGLONG end = GetTickCount64() + watch_ms;
    while (GetTickCount64() < end && WaitForSingleObject(started[0].hProcess, 5) != 0) {
        for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
            wchar_t name[64] = {};
            if (ProcessOf(w) == started[0].dwProcessId && IsWindowVisible(w) &&
                GetClassNameW(w, name, 64)) {
                seen += name;
            }
        }
    }
    if (watch_ms == 0) {
        Say(L"pids=%ls", pids.c_str());
        return;
    }
    const std::wstring exit = ExitFields(started[0].hProcess, 0);
    Say(L"pids=%ls\t%ls\tseen=%ls", pids.c_str(), exit.c_str(), seen.c_str());
}

// wait <pid> <ms|kill>: whether the process has ended within ms, or once killed. Wine reuses a
// process id soon: an id that is now the driver's own names a process that has ended.
void Wait(const Args& args) {
    if (Number(args[0]) == GetCurrentProcessId()) {
        Say(L"exited=1");
        return;
    }
    const HANDLE process =
        OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE,
                    Number(args[0]));
    if (process == nullptr) {
        Say(L"exited=1");
        return;
    }
    const bool kill = args[1] == L"kill";
    if (kill) TerminateProcess(process, 1);
    Say(L"%ls", ExitFields(process, kill ? 10000 : Number(args[1])).c_str());
}

void Describe(HWND w) {
    wchar_t name[64] = {}, text[1024] = {};
    GetClassNameW(w, name, 64);
    Send(w, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
    RECT rect{}, client{};
    GetWindowRect(w, &rect);
    GetClientRect(w, &client);
    POINT origin{};
    ClientToScreen(w, &origin);
    const HWND parent = GetAncestor(w, GA_PARENT);
    const long long style = GetWindowLongW(w, GWL_STYLE) & 0xFFFFFFFFLL;
    // Wine gives another process's context zero-extended: its sign goes back first.
    const auto context =
        static_cast<INT_PTR>(static_cast<INT32>(HandleValue(GetWindowDpiAwarenessContext(w))));
    const auto awareness =
        GetAwarenessFromDpiAwarenessContext(reinterpret_cast<DPI_AWARENESS_CONTEXT>(context));
    std::wstring extra;  // what only some classes have
    int low = 0, high = 0;
    if (!lstrcmpiW(name, L"ScrollBar") && Send(w, SBM_GETRANGE, reinterpret_cast<WPARAM>(&low),
                                               reinterpret_cast<LPARAM>(&high)) != -1) {
        extra += L"\tscroll=" + std::to_wstring(Send(w, SBM_GETPOS)) + L"," + std::to_wstring(low) +
                 L"," + std::to_wstring(high);
    }
    if (!lstrcmpiW(name, L"Edit")) {
        const LRESULT selection = Send(w, EM_GETSEL);
        extra += L"\tselection=" + std::to_wstring(LOWORD(selection)) + L"," +
                 std::to_wstring(HIWORD(selection));
    }
    Say(L"hwnd=%lld\tparent=%lld\towner=%lld\tid=%d\tclass=%ls\tstyle=%lld,%ld"
        L"\trect=%ld,%ld,%ld,%ld\tclient=%ld,%ld,%ld,%ld\tshown=%d,%d\tdpi=%d%ls\ttext=%ls",
        HandleValue(w), parent == GetDesktopWindow() ? 0 : HandleValue(parent),
        HandleValue(GetWindow(w, GW_OWNER)), GetDlgCtrlID(w), name, style,
        GetWindowLongW(w, GWL_EXSTYLE), rect.left, rect.top, rect.right, rect.bottom, origin.x,
        origin.y, client.right, client.bottom, IsWindowVisible(w), IsWindowEnabled(w),
        static_cast<int>(awareness), extra.c_str(), Field(text).c_str());
}

void DescribeTree(HWND w, DWORD pid, bool all) {
    const bool ours = all || ProcessOf(w) == pid;
    if (ours) Describe(w);
    for (HWND child = GetWindow(w, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        DescribeTree(child, pid, ours);
    }
}

// tree <pid>: a line for each visible top-level window of the process and its descendants, and
// for each window it has in others' windows; then its focus, active window and the cursor.
void Tree(const Args& args) {
    const DWORD pid = Number(args[0]);
    GUITHREADINFO thread{sizeof thread};
    for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (IsWindowVisible(w) || ProcessOf(w) != pid) DescribeTree(w, pid, false);
        if (ProcessOf(w) == pid) GetGUIThreadInfo(GetWindowThreadProcessId(w, nullptr), &thread);
    }
    CURSORINFO cursor{sizeof cursor};
    GetCursorInfo(&cursor);
    Say(L"focus=%lld\tactive=%lld\tcursor=%lld,%d", HandleValue(thread.hwndFocus),
        HandleValue(thread.hwndActive), HandleValue(cursor.hCursor),
        static_cast<int>(cursor.flags & CURSOR_SHOWING));
}

// msg post|send <hwnd> <message> <wparam> <lparam, or =text to point to>
void Message(const Args& args) {
    const std::wstring text = args[4].substr(1);
    const bool points_to_text = args[4][0] == L'=';
    const LPARAM lparam = points_to_text ? reinterpret_cast<LPARAM>(text.c_str()) : Number(args[4]);
    const HWND window = WindowOf(args[1]);
    const UINT message = Number(args[2]);
    const WPARAM wparam = Number(args[3]);
    Need(args[0] == L"post" ? PostMessageW(window, message, wparam, lparam)
                            : Send(window, message, wparam, lparam) != -1,
         L"message");
    Done();
}

// ticks <hwnd> <count> [redraw]: posts WM_TIMER, with a sent WM_NULL after every 200 and at the
// end, which returns once the target is back in its loop, so that its queue never overflows;
// then has the window erased and repainted if asked.
void Ticks(const Args& args) {
    const HWND window = WindowOf(args[0]);
    const long long count = Number(args[1]);
    for (long long tick = 1; tick <= count; ++tick) {
        Need(PostMessageW(window, WM_TIMER, 1, 0), L"WM_TIMER");
        if (tick % 200 == 0) Need(Send(window, WM_NULL, 0, 0, 60000) != -1, L"WM_NULL");
    }
    Need(Send(window, WM_NULL, 0, 0, 60000) != -1, L"WM_NULL");
    if (args.size() > 2) {
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    }
    Done();
}

// gui <pid>: the GDI and USER objects of the process. Wine has no GetGuiResources: the used
// entries of its GDI handle table (at PEB + 0xF8, 24 bytes each, type at 14), and its windows.
void Gui(const Args& args) {
    const DWORD pid = Number(args[0]);
    const HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    using Query = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    const auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    char* basic[6] = {};
    void* table = nullptr;
    std::vector<unsigned char> entries(0x10000 * 24);
    SIZE_T read = 0;
    Need(process && !query(process, 0, basic, sizeof basic, nullptr) &&
             ReadProcessMemory(process, basic[1] + 0xF8, &table, sizeof table, nullptr) &&
             ReadProcessMemory(process, table, entries.data(), entries.size(), &read),
         L"the GDI handle table");
    long long gdi = 0;
    for (SIZE_T type = 14; type < read; type += 24) gdi += entries[type] != 0;
    long long user = 0;
    std::vector<HWND> parents{GetDesktopWindow()};
    while (!parents.empty()) {
        const HWND parent = parents.back();
        parents.pop_back();
        for (HWND w = GetWindow(parent, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
            user += ProcessOf(w) == pid;
            parents.push_back(w);
        }
    }
    Say(L"gdi=%lld\tuser=%lld", gdi, user);
}

// acl <sddl>: sets the settings key's access list.
void Acl(const Args& args) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    HKEY key = nullptr;
    Need(ConvertStringSecurityDescriptorToSecurityDescriptorW(args[0].c_str(), SDDL_REVISION_1,
                                                              &descriptor, nullptr) &&
             !RegCreateKeyExW(HKEY_CURRENT_USER,
                              L"Software\\VB and VBA Program Settings\\Vestrel\\config", 0, nullptr,
                              0, WRITE_DAC, nullptr, &key, nullptr) &&
             !RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor),
         L"the access list");
    RegCloseKey(key);
    LocalFree(descriptor);
    Done();
}

LRESULT CALLBACK HostProc(HWND w, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(w, message, wparam, lparam);
}

bool HighBit(const void* handle) { return HandleValue(handle) & 0x80000000; }

// host <width> <height> <exe> [high]: a preview host as the display settings make one, running
// "<exe>" /p <handle>, the handle as Windows passes it (the unsigned decimal of its low 32 bits),
// until its window closes; then tells whether the saver ended with it. "high" takes a handle with
// bit 31 set: a USER handle's high bits count the reuses of its slot, the slot freed last is used
// next, and menus share the table with windows and are quick to make.
void Host(const Args& args) {
    WNDCLASSW host_class{};
    host_class.lpfnWndProc = HostProc;
    host_class.hbrBackground = CreateSolidBrush(RGB(0, 128, 128));
    host_class.lpszClassName = L"GlimraHost";
    RegisterClassW(&host_class);
    RECT frame{0, 0, static_cast<LONG>(Number(args[0])), static_cast<LONG>(Number(args[1]))};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    const bool high = args.size() > 3;
    HWND w = nullptr;
    for (int round = 0; round < 8 && (w == nullptr || (high && !HighBit(w))); ++round) {
        if (w != nullptr) {
            DestroyWindow(w);
            HMENU menu = nullptr;
            while (!HighBit(menu)) {
                menu = CreateMenu();
                DestroyMenu(menu);
            }
        }
        w = CreateWindowW(
            L"GlimraHost", L"host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE, 40, 40,
            frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, nullptr, nullptr);
    }
    MSG message{};
    while (PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        // the quit messages of the windows destroyed on the way
    }
    const std::wstring handle = std::to_wstring(static_cast<UINT32>(HandleValue(w)));
    const PROCESS_INFORMATION saver = Launch(args[2], L"\"" + args[2] + L"\" /p " + handle);
    Say(L"host=%lld\tpid=%lu\thandle=%ls", HandleValue(w), saver.dwProcessId, handle.c_str());
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    Say(L"%ls", ExitFields(saver.hProcess, 10000).c_str());
}

// detach <hwnd> <x> <y>: makes a child window of another process a top-level popup: Wine 8 shows
// no pixels that a process paints into a child of another process's window.
void Detach(const Args& args) {
    const HWND window = WindowOf(args[0]);
    SetWindowLongW(window, GWL_STYLE, (GetWindowLongW(window, GWL_STYLE) & ~WS_CHILD) | WS_POPUP);
    SetParent(window, nullptr);
    SetWindowPos(window, HWND_TOPMOST, Number(args[1]), Number(args[2]), 0, 0,
                 SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    Done();
}

// hold event|denied: holds the program's lock name until killed, as an event or as a mutex whose
// access list grants nobody anything (an instance at another integrity level).
void Hold(const Args& args) {
    SECURITY_ATTRIBUTES denied{sizeof denied, nullptr, FALSE};
    ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:", SDDL_REVISION_1,
                                                         &denied.lpSecurityDescriptor, nullptr);
    const wchar_t* name = L"Local\\Glimra.Lumeck.Instance";
    Need(args[0] == L"event" ? CreateEventW(nullptr, TRUE, FALSE, name)
                             : CreateMutexW(&denied, FALSE, name),
         L"hold");
    const DWORD mutex_error = CreateMutexW(nullptr, FALSE, name) ? 0 : GetLastError();
    Say(L"pid=%lu\tmutex=%lu", GetCurrentProcessId(), mutex_error);
    Sleep(INFINITE);
}

// dpi <hwnd> <dpi>: WM_DPICHANGED as the system sends it when a window is dragged to a monitor
// of that DPI, the window's own size at 0, 0 suggested. Wine does not copy this message's
// rectangle across processes: it is written into the target's memory, and at the same address
// into the driver's.
void Dpi(const Args& args) {
    const HWND window = WindowOf(args[0]);
    RECT rect{};
    GetWindowRect(window, &rect);
    const RECT suggested{0, 0, rect.right - rect.left, rect.bottom - rect.top};
    const HANDLE process =
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, ProcessOf(window));
    void* remote =
        process ? VirtualAllocEx(process, nullptr, sizeof suggested, MEM_COMMIT, PAGE_READWRITE)
                : nullptr;
    Need(remote && WriteProcessMemory(process, remote, &suggested, sizeof suggested, nullptr),
         L"the rectangle");
    void* local = VirtualAlloc(remote, sizeof suggested, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (local != nullptr) *static_cast<RECT*>(local) = suggested;
    const int dpi = Number(args[1]);
    Need(Send(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), HandleValue(remote)) != -1,
         L"WM_DPICHANGED");
    Done();
}

}  // namespace

int main() {
    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);  // real pixels
    int count = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
    const struct {
        const wchar_t* name;
        void (*run)(const Args&);
        int arguments;  // at least
    } commands[] = {{L"run", Run, 4},     {L"wait", Wait, 2},   {L"tree", Tree, 1},
                    {L"msg", Message, 5}, {L"ticks", Ticks, 2}, {L"gui", Gui, 1},
                    {L"acl", Acl, 1},     {L"host", Host, 3},   {L"detach", Detach, 3},
                    {L"hold", Hold, 1},   {L"dpi", Dpi, 2}};
    for (const auto& command : commands) {
        if (count >= 2 + command.arguments && std::wstring(argv[1]) == command.name) {
            command.run(Args(argv + 2, argv + count));
            return 0;
        }
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    Need(false, L"usage: driver run|wait|tree|msg|ticks|gui|acl|host|detach|hold|dpi ...");
}
