// driver.exe: what only Win32 can see or do for the end-to-end tests. Each answer is a line
// of tab-separated key=value fields (numbers joined by commas); a failure answers error=...
// with the Win32 error and exits with 1.
#include <windows.h>
#include <sddl.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "platform/runtime/scaling.h"
#include "settings/layout.h"

namespace {
using Args = std::vector<std::wstring>;

long long Number(const std::wstring& text) { return wcstoll(text.c_str(), nullptr, 10); }
long long HandleValue(const void* handle) { return reinterpret_cast<long long>(handle); }
HWND WindowOf(const std::wstring& text) { return reinterpret_cast<HWND>(Number(text)); }

// One line of the answer, printed in UTF-8 by Print().
class Answer {
  public:
    Answer& Text(const wchar_t* key, std::wstring text) {
        for (wchar_t& c : text) {
            if (c < L' ') c = L' ';
        }
        line_ += (line_.empty() ? L"" : L"\t") + std::wstring(key) + L"=" + text;
        return *this;
    }
    Answer& Numbers(const wchar_t* key, const std::vector<long long>& numbers) {
        std::wstring text;
        for (const long long number : numbers) {
            if (!text.empty()) text += L",";
            text += std::to_wstring(number);
        }
        return Text(key, text);
    }
    void Print() {
        std::string utf8(line_.size() * 3 + 1, '\n');
        const int size = WideCharToMultiByte(CP_UTF8, 0, line_.data(), line_.size(), utf8.data(),
                                             utf8.size(), nullptr, nullptr);
        DWORD written = 0;
        WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), utf8.data(), size + 1, &written, nullptr);
        line_.clear();
    }

  private:
    std::wstring line_;
};

void Need(bool done, const wchar_t* what) {
    if (done) return;
    const DWORD error = GetLastError();
    Answer().Text(L"error", what).Numbers(L"win32", {error}).Print();
    ExitProcess(1);
}

void Done() { Answer().Numbers(L"done", {1}).Print(); }

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

void AddExit(Answer& answer, HANDLE process, DWORD ms) {
    const bool exited = WaitForSingleObject(process, ms) == WAIT_OBJECT_0;
    answer.Numbers(L"exited", {exited});
    DWORD code = 0;
    if (exited && GetExitCodeProcess(process, &code)) answer.Numbers(L"code", {code});
}

// run <exe> <command line> <count> <ms>: starts count processes at once (created suspended,
// resumed back to back); the first is watched for up to ms, noting the classes of the visible
// windows it shows meanwhile.
void Run(const Args& args) {
    std::vector<PROCESS_INFORMATION> started;
    for (long long i = 0; i < Number(args[2]); ++i) {
        started.push_back(Launch(args[0], args[1], CREATE_SUSPENDED));
    }
    std::vector<long long> pids;
    for (const PROCESS_INFORMATION& process : started) {
        ResumeThread(process.hThread);
        CloseHandle(process.hThread);
        pids.push_back(process.dwProcessId);
    }
    Answer answer;
    answer.Numbers(L"pids", pids);
    const long long watch_ms = Number(args[3]);
    std::wstring seen;
    const ULONGLONG end = GetTickCount64() + watch_ms;
    while (GetTickCount64() < end && WaitForSingleObject(started[0].hProcess, 5) != 0) {
        for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
            wchar_t name[64] = {};
            if (ProcessOf(w) == pids[0] && IsWindowVisible(w) && GetClassNameW(w, name, 64)) {
                seen += name;
            }
        }
    }
    if (watch_ms > 0) {
        AddExit(answer, started[0].hProcess, 0);
        answer.Text(L"seen", seen);
    }
    answer.Print();
}

// wait <pid> <ms|kill>: whether the process has ended within ms, or once killed.
void Wait(const Args& args) {
    const HANDLE process =
        OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE,
                    Number(args[0]));
    Answer answer;
    if (process == nullptr) {
        answer.Numbers(L"exited", {1}).Print();
        return;
    }
    const bool kill = args[1] == L"kill";
    if (kill) TerminateProcess(process, 1);
    AddExit(answer, process, kill ? 10000 : Number(args[1]));
    answer.Print();
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
    Answer answer;
    answer.Numbers(L"hwnd", {HandleValue(w)})
        .Numbers(L"parent", {parent == GetDesktopWindow() ? 0 : HandleValue(parent)})
        .Numbers(L"owner", {HandleValue(GetWindow(w, GW_OWNER))})
        .Numbers(L"id", {GetDlgCtrlID(w)})
        .Text(L"class", name)
        .Numbers(L"style", {style, GetWindowLongW(w, GWL_EXSTYLE)})
        .Numbers(L"rect", {rect.left, rect.top, rect.right, rect.bottom})
        .Numbers(L"client", {origin.x, origin.y, client.right, client.bottom})
        .Numbers(L"shown", {IsWindowVisible(w), IsWindowEnabled(w)})
        .Numbers(L"dpi", {awareness});
    int low = 0, high = 0;
    if (!lstrcmpiW(name, L"ScrollBar") && Send(w, SBM_GETRANGE, reinterpret_cast<WPARAM>(&low),
                                               reinterpret_cast<LPARAM>(&high)) != -1) {
        answer.Numbers(L"scroll", {Send(w, SBM_GETPOS), low, high});
    }
    if (!lstrcmpiW(name, L"Edit")) {
        const LRESULT selection = Send(w, EM_GETSEL);
        answer.Numbers(L"selection", {LOWORD(selection), HIWORD(selection)});
    }
    answer.Text(L"text", text).Print();
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
    Answer()
        .Numbers(L"focus", {HandleValue(thread.hwndFocus)})
        .Numbers(L"active", {HandleValue(thread.hwndActive)})
        .Numbers(L"cursor", {HandleValue(cursor.hCursor), cursor.flags & CURSOR_SHOWING})
        .Print();
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
    Answer().Numbers(L"gdi", {gdi}).Numbers(L"user", {user}).Print();
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
    Answer()
        .Numbers(L"host", {HandleValue(w)})
        .Numbers(L"pid", {saver.dwProcessId})
        .Text(L"handle", handle)
        .Print();
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    Answer answer;
    AddExit(answer, saver.hProcess, 10000);
    answer.Print();
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
    Answer().Numbers(L"pid", {GetCurrentProcessId()}).Numbers(L"mutex", {mutex_error}).Print();
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

// layout <dpi>: where the product places each control on the client area at that DPI, in
// pixels, with its name, id and caption; then the client area itself and the full screen's pen.
void Layout(const Args& args) {
    const int dpi = Number(args[0]);
    using glimra::TwipsToPixels;
    for (const auto& control : glimra::layout::kControls) {
        const auto twips = glimra::layout::ClientRect(control);
        Answer()
            .Text(L"name", std::wstring(control.name.begin(), control.name.end()))
            .Numbers(L"id", {control.id})
            .Numbers(L"rect", {TwipsToPixels(twips.left, dpi), TwipsToPixels(twips.top, dpi),
                               TwipsToPixels(twips.right, dpi), TwipsToPixels(twips.bottom, dpi)})
            .Numbers(L"label", {control.kind == glimra::layout::Kind::kLabel})
            .Text(L"caption", std::wstring(control.caption))
            .Print();
    }
    Answer()
        .Text(L"name", L"client")
        .Numbers(L"rect", {0, 0, TwipsToPixels(glimra::layout::kClientWidth, dpi),
                           TwipsToPixels(glimra::layout::kClientHeight, dpi)})
        .Numbers(L"pen", {glimra::ScaledPixels(12, dpi)})
        .Print();
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
    } commands[] = {{L"run", Run, 4},     {L"wait", Wait, 2},     {L"tree", Tree, 1},
                    {L"msg", Message, 5}, {L"ticks", Ticks, 2},   {L"gui", Gui, 1},
                    {L"acl", Acl, 1},     {L"host", Host, 3},     {L"detach", Detach, 3},
                    {L"hold", Hold, 1},   {L"layout", Layout, 1}, {L"dpi", Dpi, 2}};
    for (const auto& command : commands) {
        if (count >= 2 + command.arguments && std::wstring(argv[1]) == command.name) {
            command.run(Args(argv + 2, argv + count));
            return 0;
        }
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    Need(false, L"usage: driver run|wait|tree|msg|ticks|gui|acl|host|detach|hold|layout|dpi ...");
}
