// driver.exe: what only Win32 can see or do for the end-to-end tests. Each answer is a line
// holding a JSON object; a failure says what failed and the Win32 error on stderr, and exits
// with 1.
#include <windows.h>
#include <sddl.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {
using Args = std::vector<std::wstring>;

long long Number(const std::wstring& text) { return wcstoll(text.c_str(), nullptr, 10); }
long long HandleValue(const void* handle) { return reinterpret_cast<long long>(handle); }
HWND WindowOf(const std::wstring& text) { return reinterpret_cast<HWND>(Number(text)); }

// Prints one answer line in UTF-8, formatted as by wprintf.
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

void Need(bool done, const wchar_t* what) {
    if (done) return;
    std::fprintf(stderr, "driver: %ls failed: Win32 error %lu\n", what, GetLastError());
    ExitProcess(1);
}

DWORD ProcessOf(HWND window) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    return pid;
}

// Starts exe with exactly this command line and no standard handles, so that it holds none of
// the caller's pipes.
PROCESS_INFORMATION Launch(const std::wstring& exe, std::wstring command) {
    STARTUPINFOW startup{sizeof startup};
    startup.dwFlags = STARTF_USESTDHANDLES;
    PROCESS_INFORMATION process{};
    Need(CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process),
         L"CreateProcessW");
    CloseHandle(process.hThread);  // only the process is waited on
    return process;
}

// Kills the program once the driver's input ends: the test is done with it.
DWORD WINAPI KillAtInputEnd(void* program) {
    char line[64];
    DWORD read = 0;
    while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), line, sizeof line, &read, nullptr) && read) {
    }
    TerminateProcess(program, 1);
    return 0;
}

// Keeps the driver's windows working until the program ends, then answers its exit code,
// which the driver's handle keeps; the program is killed if the driver's input ends first.
void Watch(HANDLE program) {
    CloseHandle(CreateThread(nullptr, 0, KillAtInputEnd, program, 0, nullptr));
    while (MsgWaitForMultipleObjects(1, &program, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
        MSG message{};
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
    DWORD code = 0;
    GetExitCodeProcess(program, &code);
    Say(L"{\"code\": %lu}", code);
    CloseHandle(program);
}

// run <exe> <command line>: starts the exe with exactly that command line, watched.
void Run(const Args& args) {
    const PROCESS_INFORMATION process = Launch(args[0], args[1]);
    Say(L"{\"pid\": %lu}", process.dwProcessId);
    Watch(process.hProcess);
}

void Describe(HWND w) {
    wchar_t name[64] = {}, text[1024] = {};
    GetClassNameW(w, name, 64);
    DWORD_PTR length = 0;  // a hung window answers nothing, and keeps the empty text
    SendMessageTimeoutW(w, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000,
                        &length);
    const auto unquoted = [](wchar_t c) { return c && (c < L' ' || c == L'"' || c == L'\\'); };
    std::replace_if(text, text + 1024, unquoted, L' ');  // a JSON string as it stands
    RECT rect{}, client{};
    GetWindowRect(w, &rect);
    GetClientRect(w, &client);
    POINT origin{};
    ClientToScreen(w, &origin);
    const HWND parent = GetAncestor(w, GA_PARENT);
    Say(L"{\"hwnd\": %lld, \"parent\": %lld, \"id\": %d, \"class\": \"%ls\", "
        L"\"style\": [%lu, %lu], \"rect\": [%ld, %ld, %ld, %ld], \"client\": [%ld, %ld, %ld, "
        L"%ld], \"shown\": %d, \"text\": \"%ls\"}",
        HandleValue(w), parent == GetDesktopWindow() ? 0 : HandleValue(parent), GetDlgCtrlID(w),
        name, static_cast<DWORD>(GetWindowLongW(w, GWL_STYLE)),
        static_cast<DWORD>(GetWindowLongW(w, GWL_EXSTYLE)), rect.left, rect.top, rect.right,
        rect.bottom, origin.x, origin.y, client.right, client.bottom, IsWindowVisible(w), text);
}

void DescribeTree(HWND w, DWORD pid, bool all) {
    const bool ours = all || ProcessOf(w) == pid;
    if (ours) Describe(w);
    for (HWND child = GetWindow(w, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        DescribeTree(child, pid, ours);
    }
}

// tree <pid>: a line for each visible top-level window of the process and its descendants, and
// for each window it has in others' windows; then its active window and whether the cursor
// shows.
void Tree(const Args& args) {
    const DWORD pid = Number(args[0]);
    GUITHREADINFO thread{sizeof thread};
    for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (IsWindowVisible(w) || ProcessOf(w) != pid) DescribeTree(w, pid, false);
        if (ProcessOf(w) == pid) GetGUIThreadInfo(GetWindowThreadProcessId(w, nullptr), &thread);
    }
    CURSORINFO cursor{sizeof cursor};
    GetCursorInfo(&cursor);
    Say(L"{\"active\": %lld, \"cursor\": %d}", HandleValue(thread.hwndActive),
        static_cast<int>(cursor.flags & CURSOR_SHOWING));
}

// close <hwnd>: posts WM_CLOSE, as a host closes the window it lent.
void Close(const Args& args) {
    Need(PostMessageW(WindowOf(args[0]), WM_CLOSE, 0, 0), L"WM_CLOSE");
    Say(L"{}");
}

// painted <hwnd>: once the window has painted itself anew. Its thread takes input before a
// paint, so by then it has handled the input that came before.
void Painted(const Args& args) {
    const HWND window = WindowOf(args[0]);
    Need(RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE), L"RedrawWindow");
    for (int waited = 0; GetUpdateRect(window, nullptr, FALSE); waited += 10) {
        Need(waited < 30000 && IsWindow(window), L"a paint");
        Sleep(10);
    }
    Say(L"{}");
}

// refuse <key>: a key under HKEY_CURRENT_USER refuses values and subkeys to everyone, as an
// administrator's access list can; Wine enforces it.
void Refuse(const Args& args) {
    PSECURITY_DESCRIPTOR refusing = nullptr;
    Need(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(D;;0x6;;;WD)(A;;KA;;;WD)",
                                                              SDDL_REVISION_1, &refusing, nullptr),
         L"the access list");
    HKEY key = nullptr;
    Need(!RegCreateKeyExW(HKEY_CURRENT_USER, args[0].c_str(), 0, nullptr, 0, WRITE_DAC, nullptr,
                          &key, nullptr) &&
             !RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, refusing),
         L"RegSetKeySecurity");
    RegCloseKey(key);
    LocalFree(refusing);
    Say(L"{}");
}

// host <width> <height> <exe>: a preview host as the display settings make one, running
// "<exe>" /p <handle>, watched.
void Host(const Args& args) {
    const HWND w =
        CreateWindowW(L"STATIC", L"host", WS_POPUP | WS_CLIPCHILDREN | WS_VISIBLE, 40, 40,
                      Number(args[0]), Number(args[1]), nullptr, nullptr, nullptr, nullptr);
    const std::wstring handle = std::to_wstring(HandleValue(w));
    const PROCESS_INFORMATION saver = Launch(args[2], L"\"" + args[2] + L"\" /p " + handle);
    Say(L"{\"host\": %lld, \"pid\": %lu}", HandleValue(w), saver.dwProcessId);
    Watch(saver.hProcess);
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
    } commands[] = {{L"run", Run, 2},         {L"tree", Tree, 1},     {L"close", Close, 1},
                    {L"painted", Painted, 1}, {L"refuse", Refuse, 1}, {L"host", Host, 3}};
    for (const auto& command : commands) {
        if (count >= 2 + command.arguments && std::wstring(argv[1]) == command.name) {
            command.run(Args(argv + 2, argv + count));
            return 0;
        }
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    Need(false, L"usage: driver run|tree|close|painted|refuse|host ...");
}
