// driver.exe: what only Win32 can see or do for the end-to-end tests. Each command prints one
// JSON object on one line; a failed call prints {"error":...} and exits 1.
#include <windows.h>
#include <sddl.h>
#include <shellapi.h>

#include <algorithm>
#include <string>
#include <vector>

#include "settings/layout.h"

namespace {

using Args = std::vector<std::wstring>;
struct Failure {
    std::string what;
};

std::string Utf8(std::wstring_view text) {
    std::string out(text.size() * 3, '\0');
    out.resize(WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                   out.data(), static_cast<int>(out.size()), nullptr, nullptr));
    return out;
}

// One JSON object, key by key: numbers and lists as given, texts quoted.
struct Json {
    std::string body;
    Json& Raw(const char* key, const std::string& value) {
        body += (body.empty() ? "\"" : ",\"") + std::string(key) + "\":" + value;
        return *this;
    }
    Json& Num(const char* key, long long value) { return Raw(key, std::to_string(value)); }
    Json& Text(const char* key, std::wstring_view text) {
        std::string quoted = "\"";
        for (const char c : Utf8(text)) {
            if (c == '"' || c == '\\') quoted += '\\';
            quoted += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
        }
        return Raw(key, quoted + "\"");
    }
    std::string str() const { return "{" + body + "}"; }
};

std::string List(const std::vector<long long>& items) {
    std::string out;
    for (const long long item : items) out += (out.empty() ? "" : ",") + std::to_string(item);
    return "[" + out + "]";
}

long long Number(const std::wstring& text) {
    wchar_t* end = nullptr;
    const long long value = wcstoll(text.c_str(), &end, 10);
    if (text.empty() || *end != 0) throw Failure{"not a number: " + Utf8(text)};
    return value;
}
HWND Window(const std::wstring& text) { return reinterpret_cast<HWND>(Number(text)); }
long long Id(const void* handle) { return reinterpret_cast<long long>(handle); }

void Print(const Json& json) {
    const std::string line = json.str() + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line.data(), static_cast<DWORD>(line.size()),
              &written, nullptr);
}

// Starts the program with exactly this command line and no standard handles, so that it
// holds none of the caller's pipes.
PROCESS_INFORMATION Launch(const std::wstring& exe, std::wstring line, DWORD flags = 0) {
    STARTUPINFOW startup{sizeof startup};
    startup.dwFlags = STARTF_USESTDHANDLES;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr,
                        &startup, &process))
        throw Failure{"CreateProcessW " + Utf8(line)};
    CloseHandle(process.hThread);
    return process;
}

Json& Exit(Json& json, HANDLE process, DWORD ms) {
    DWORD code = 0;
    if (WaitForSingleObject(process, ms) != WAIT_OBJECT_0) return json.Raw("exited", "false");
    GetExitCodeProcess(process, &code);
    return json.Raw("exited", "true").Num("code", code);
}

DWORD Pid(HWND window) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    return pid;
}

// run <exe> <command line> <count> <ms>: starts count processes at once (created suspended,
// resumed back to back); with one, waits up to ms, noting the classes of the visible
// windows it shows meanwhile.
void Run(const Args& a) {
    std::vector<long long> pids, seen;
    std::vector<PROCESS_INFORMATION> started;
    for (long long i = 0; i < Number(a[2]); ++i)
        started.push_back(Launch(a[0], a[1], CREATE_SUSPENDED));
    for (const auto& process : started) ResumeThread(process.hThread), pids.push_back(process.dwProcessId);
    Json json;
    json.Raw("pids", List(pids));
    if (started.size() == 1) {
        const ULONGLONG end = GetTickCount64() + Number(a[3]);
        std::wstring classes;
        do {
            for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
                wchar_t name[64] = {};
                if (Pid(w) == pids[0] && IsWindowVisible(w) && GetClassNameW(w, name, 64))
                    classes += std::wstring(name) + L" ";
            }
        } while (WaitForSingleObject(started[0].hProcess, 5) == WAIT_TIMEOUT && GetTickCount64() < end);
        Exit(json, started[0].hProcess, 0).Text("seen", classes);
    }
    for (const auto& process : started) CloseHandle(process.hProcess);
    Print(json);
}

void Wait(const Args& a) {
    const HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION |
                                           (a[1] == L"kill" ? PROCESS_TERMINATE : 0),
                                       FALSE, static_cast<DWORD>(Number(a[0])));
    Json json;
    if (!process) return Print(json.Raw("exited", "true").Raw("code", "null"));
    if (a[1] == L"kill") TerminateProcess(process, 1);
    Print(Exit(json, process, a[1] == L"kill" ? 10000 : static_cast<DWORD>(Number(a[1]))));
    CloseHandle(process);
}

std::string Describe(HWND w) {
    wchar_t name[64] = {};
    GetClassNameW(w, name, 64);
    std::wstring text(1024, L'\0');
    DWORD_PTR length = 0;  // WM_GETTEXT, marshalled across processes, with a time limit
    SendMessageTimeoutW(w, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                        SMTO_ABORTIFHUNG, 5000, &length);
    RECT rect{}, client{};
    GetWindowRect(w, &rect);
    GetClientRect(w, &client);
    POINT origin{};
    ClientToScreen(w, &origin);
    const HWND parent = GetAncestor(w, GA_PARENT) == GetDesktopWindow() ? nullptr : GetParent(w);
    Json json;
    json.Num("hwnd", Id(w)).Num("parent", Id(parent)).Num("owner", Id(GetWindow(w, GW_OWNER)));
    json.Text("class", name).Text("text", text.substr(0, length)).Num("id", GetDlgCtrlID(w));
    json.Num("style", GetWindowLongW(w, GWL_STYLE)).Num("exstyle", GetWindowLongW(w, GWL_EXSTYLE));
    json.Raw("rect", List({rect.left, rect.top, rect.right, rect.bottom}));
    json.Raw("client", List({origin.x, origin.y, client.right, client.bottom}));
    json.Num("visible", IsWindowVisible(w)).Num("enabled", IsWindowEnabled(w));
    DWORD_PTR pos = 0, selection = 0;
    int low = 0, high = 0;
    if (lstrcmpiW(name, L"ScrollBar") == 0 &&
        SendMessageTimeoutW(w, SBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 5000, &pos) &&
        SendMessageTimeoutW(w, SBM_GETRANGE, reinterpret_cast<WPARAM>(&low),
                            reinterpret_cast<LPARAM>(&high), SMTO_ABORTIFHUNG, 5000, nullptr))
        json.Raw("scroll", List({static_cast<long long>(pos), low, high}));
    if (lstrcmpiW(name, L"Edit") == 0 &&
        SendMessageTimeoutW(w, EM_GETSEL, 0, 0, SMTO_ABORTIFHUNG, 5000, &selection))
        json.Raw("selection", List({LOWORD(selection), HIWORD(selection)}));
    return json.str();
}

void Collect(HWND w, DWORD pid, bool all, std::string& out) {
    if (all || Pid(w) == pid) out += (out.empty() ? "" : ",") + Describe(w);
    for (HWND child = GetWindow(w, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        Collect(child, pid, all || Pid(w) == pid, out);
}

// tree <pid>: the visible top-level windows of the process with all their descendants, its
// child windows in others' windows, its thread's focus and active window, and the cursor.
void Tree(const Args& a) {
    const auto pid = static_cast<DWORD>(Number(a[0]));
    std::string windows;
    for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT))
        if (IsWindowVisible(w) || Pid(w) != pid) Collect(w, pid, false, windows);
    GUITHREADINFO thread{sizeof thread};
    for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT))
        if (Pid(w) == pid && GetGUIThreadInfo(GetWindowThreadProcessId(w, nullptr), &thread)) break;
    CURSORINFO cursor{sizeof cursor};
    GetCursorInfo(&cursor);
    Print(Json()
              .Raw("windows", "[" + windows + "]")
              .Num("focus", Id(thread.hwndFocus))
              .Num("active", Id(thread.hwndActive))
              .Num("cursor", Id(cursor.hCursor))
              .Num("cursor_shown", cursor.flags & CURSOR_SHOWING));
}

// msg post|send <hwnd> <message> <wparam> <lparam or a text to point to>
void Message(const Args& a) {
    const HWND w = Window(a[1]);
    const auto message = static_cast<UINT>(Number(a[2]));
    const auto wparam = static_cast<WPARAM>(Number(a[3]));
    LPARAM lparam = reinterpret_cast<LPARAM>(a[4].c_str());
    if (a[4].find_first_not_of(L"-0123456789") == std::wstring::npos) lparam = Number(a[4]);
    DWORD_PTR result = 0;
    const bool done = a[0] == L"post" ? PostMessageW(w, message, wparam, lparam)
                                      : SendMessageTimeoutW(w, message, wparam, lparam,
                                                            SMTO_ABORTIFHUNG, 5000, &result);
    if (!done) throw Failure{"message not delivered"};
    Print(Json().Num("result", static_cast<long long>(result)));
}

// ticks <hwnd> <count> [redraw]: posts WM_TIMER in batches, each followed by a sent WM_NULL
// that returns once the target is back in its loop, so the queue never overflows; then has
// the window erased and repainted if asked.
void Ticks(const Args& a) {
    const HWND w = Window(a[0]);
    for (long long posted = 0; posted < Number(a[1]); ++posted) {
        if (!PostMessageW(w, WM_TIMER, 1, 0)) throw Failure{"PostMessageW WM_TIMER"};
        if (posted % 200 == 199 &&
            !SendMessageTimeoutW(w, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 60000, nullptr))
            throw Failure{"the window stopped answering"};
    }
    SendMessageTimeoutW(w, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 60000, nullptr);
    if (a.size() > 2) RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    Print(Json().Num("alive", IsWindow(w)));
}

// gui <pid>: the process's GDI and USER objects. Wine lacks GetGuiResources, so: the used
// entries of the process's GDI handle table (PEB + 0xF8, 24-byte entries, type byte at 14)
// and the windows of the process.
void Gui(const Args& a) {
    const auto pid = static_cast<DWORD>(Number(a[0]));
    const HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    using Query = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    const auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    void* basic[6] = {};
    void* table = nullptr;
    std::vector<unsigned char> entries(0x10000 * 24);
    SIZE_T read = 0;
    if (!process || query(process, 0, basic, sizeof basic, nullptr) != 0 ||
        !ReadProcessMemory(process, static_cast<char*>(basic[1]) + 0xF8, &table, sizeof table,
                           nullptr) ||
        !ReadProcessMemory(process, table, entries.data(), entries.size(), &read))
        throw Failure{"the GDI handle table cannot be read"};
    long long gdi = 0, user = 0;
    for (SIZE_T at = 14; at < read; at += 24) gdi += entries[at] != 0;
    std::vector<HWND> pending{GetDesktopWindow()};
    while (!pending.empty()) {
        const HWND w = pending.back();
        pending.pop_back();
        for (HWND c = GetWindow(w, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
            user += Pid(c) == pid, pending.push_back(c);
    }
    CloseHandle(process);
    Print(Json().Num("gdi", gdi).Num("user", user));
}

// acl <sddl>: the settings key's access list ("D:(D;;0x6;;;WD)(A;;KA;;;WD)" refuses writes).
void Acl(const Args& a) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    HKEY key = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(a[0].c_str(), SDDL_REVISION_1,
                                                              &descriptor, nullptr) ||
        RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\VB and VBA Program Settings\\Vestrel\\config",
                        0, nullptr, 0, WRITE_DAC, nullptr, &key, nullptr) != ERROR_SUCCESS ||
        RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor) != ERROR_SUCCESS)
        throw Failure{"the access list was not set"};
    RegCloseKey(key);
    LocalFree(descriptor);
    Print(Json().Raw("set", "true"));
}

LRESULT CALLBACK HostProc(HWND w, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(w, message, wparam, lparam);
}

HWND CreateHost(int width, int height) {
    WNDCLASSW host_class{0, HostProc, 0, 0, GetModuleHandleW(nullptr)};
    host_class.hbrBackground = CreateSolidBrush(RGB(0, 128, 128));
    host_class.lpszClassName = L"GlimraHost";
    RegisterClassW(&host_class);
    RECT frame{0, 0, width, height};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    const HWND w = CreateWindowW(L"GlimraHost", L"host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE,
                                 40, 40, frame.right - frame.left, frame.bottom - frame.top,
                                 nullptr, nullptr, host_class.hInstance, nullptr);
    if (!w) throw Failure{"CreateWindowW"};
    return w;
}

// host <width> <height> <exe> [high]: a preview host as the display settings make one, with
// the saver started as "<exe>" /p <handle>, the handle as Windows passes it (the unsigned
// decimal of its low 32 bits). "high" takes a handle with bit 31 set: a USER handle's high
// bits count the reuses of its slot, and menus share the table and are quick to make.
// The host runs until its window is closed, then reports whether the saver ended with it.
void Host(const Args& a) {
    const int width = static_cast<int>(Number(a[0])), height = static_cast<int>(Number(a[1]));
    HWND w = CreateHost(width, height);
    for (int round = 0; a.size() > 3 && !(Id(w) & 0x80000000) && round < 8; ++round) {
        DestroyWindow(w);
        for (HMENU menu = CreateMenu(); !(Id(menu) & 0x80000000); menu = CreateMenu())
            DestroyMenu(menu);
        w = CreateHost(width, height);
    }
    MSG message{};
    while (PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    const std::wstring handle = std::to_wstring(static_cast<UINT32>(Id(w)));
    const PROCESS_INFORMATION saver = Launch(a[2], L"\"" + a[2] + L"\" /p " + handle);
    Print(Json().Num("host", Id(w)).Num("pid", saver.dwProcessId).Text("handle", handle));
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    Json closed;
    Print(Exit(closed, saver.hProcess, 10000));
}

// detach <hwnd> <x> <y>: makes a child window of another process a top-level popup. Wine 8
// shows no pixels that a process paints into a child of another process's window.
void Detach(const Args& a) {
    const HWND w = Window(a[0]);
    SetWindowLongW(w, GWL_STYLE, (GetWindowLongW(w, GWL_STYLE) & ~WS_CHILD) | WS_POPUP);
    SetParent(w, nullptr);
    SetWindowPos(w, HWND_TOPMOST, static_cast<int>(Number(a[1])), static_cast<int>(Number(a[2])),
                 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_FRAMECHANGED);
    Print(Json().Raw("detached", "true"));
}

// hold event|denied: holds the program's lock name until killed, as an event, or as a mutex
// whose access list grants nobody anything (an instance at another integrity level).
void Hold(const Args& a) {
    constexpr wchar_t kName[] = L"Local\\Glimra.Lumeck.Instance";
    SECURITY_ATTRIBUTES denied{sizeof denied, nullptr, FALSE};
    ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:", SDDL_REVISION_1,
                                                         &denied.lpSecurityDescriptor, nullptr);
    const HANDLE held = a[0] == L"event" ? CreateEventW(nullptr, TRUE, FALSE, kName)
                                         : CreateMutexW(&denied, FALSE, kName);
    const HANDLE again = CreateMutexW(nullptr, FALSE, kName);
    Print(Json().Num("pid", GetCurrentProcessId()).Num("held", held != nullptr)
              .Num("mutex_error", again ? 0 : GetLastError()));
    Sleep(INFINITE);
}

// ink <face> <tenths of a point> <text>: the ink box of a caption drawn at 0, 0 as a label
// draws it (GB2312, on white), left, top, right, bottom.
void Ink(const Args& a) {
    const HDC screen = GetDC(nullptr);
    const HDC dc = CreateCompatibleDC(screen);
    SelectObject(dc, CreateCompatibleBitmap(screen, 400, 100));
    SelectObject(dc, CreateFontW(-MulDiv(static_cast<int>(Number(a[1])), GetDeviceCaps(screen, LOGPIXELSY), 720),
                                 0, 0, 0, FW_NORMAL, 0, 0, 0, GB2312_CHARSET, 0, 0, 0, 0, a[0].c_str()));
    ReleaseDC(nullptr, screen);
    RECT all{0, 0, 400, 100};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DrawTextW(dc, a[2].c_str(), -1, &all, DT_SINGLELINE | DT_NOPREFIX);
    long long box[4] = {400, 100, -1, -1};
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 400; ++x)
            if ((GetPixel(dc, x, y) & 0xFFFFFF) != 0xFFFFFF)
                box[0] = std::min<long long>(box[0], x), box[1] = std::min<long long>(box[1], y),
                box[2] = std::max<long long>(box[2], x + 1), box[3] = std::max<long long>(box[3], y + 1);
    Print(Json().Raw("ink", List({box[0], box[1], box[2], box[3]})));
}

// layout: the product's own table of controls, in pixels at 96 DPI: id, left, top, right,
// bottom on the client area.
void Layout(const Args&) {
    std::string rows;
    for (const auto& control : glimra::layout::kControls) {
        const auto r = glimra::layout::ClientRect(control);
        rows += (rows.empty() ? "" : ",") + List({control.id, r.left / 15, r.top / 15, r.right / 15, r.bottom / 15});
    }
    Print(Json().Raw("controls", "[" + rows + "]"));
}

}  // namespace

int main() {
    int count = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
    const Args args(argv + std::min(count, 2), argv + count);
    const std::wstring command = count > 1 ? argv[1] : L"";
    const struct {
        const wchar_t* name;
        void (*run)(const Args&);
        std::size_t args;
    } commands[] = {{L"run", Run, 4},     {L"wait", Wait, 2},     {L"tree", Tree, 1},
                    {L"msg", Message, 5}, {L"ticks", Ticks, 2},   {L"gui", Gui, 1},
                    {L"acl", Acl, 1},     {L"host", Host, 3},     {L"detach", Detach, 3},
                    {L"hold", Hold, 1},   {L"ink", Ink, 3},       {L"layout", Layout, 0}};
    try {
        for (const auto& known : commands)
            if (command == known.name && args.size() >= known.args) return known.run(args), 0;
        throw Failure{"usage: driver run|wait|tree|msg|ticks|gui|acl|host|detach|hold|ink|layout"};
    } catch (const Failure& failure) {
        Print(Json().Text("error", std::wstring(failure.what.begin(), failure.what.end()))
                  .Num("win32", GetLastError()));
    }
    return 1;
}
