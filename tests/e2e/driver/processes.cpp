// Starting, watching and ending the program under test.
#include "commands.h"

#include <tlhelp32.h>

#include <utility>
#include <vector>

namespace e2e {

// The command line that a screen-saver host builds: the quoted path, then, if there is one,
// one blank and the argument text exactly as given (trailing blanks kept).
static std::wstring CommandLine(const std::wstring& exe, const std::wstring& argtext) {
    std::wstring line = L"\"" + exe + L"\"";
    if (!argtext.empty()) line += L" " + argtext;
    return line;
}

// Starts the program with no standard handles, so that it holds none of the caller's pipes.
PROCESS_INFORMATION LaunchProgram(const std::wstring& exe, const std::wstring& argtext,
                                  DWORD flags) {
    std::wstring line = CommandLine(exe, argtext);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr,
                        &startup, &process))
        FailWin32("CreateProcessW " + Utf8(line));
    return process;
}

// Waits for the process; adds "exited" and, once it has, "code".
void AddExit(Json& json, HANDLE process, DWORD timeout_ms) {
    if (WaitForSingleObject(process, timeout_ms) != WAIT_OBJECT_0) {
        json.Bool("exited", false);
        return;
    }
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    json.Bool("exited", true).Number("code", code);
}

namespace {

struct WindowWatch {
    DWORD pid;
    std::vector<std::wstring> classes;
};

BOOL CALLBACK NoteVisibleWindow(HWND window, LPARAM context) {
    auto& watch = *reinterpret_cast<WindowWatch*>(context);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != watch.pid || !IsWindowVisible(window)) return TRUE;
    const std::wstring name = ClassName(window);
    for (const std::wstring& known : watch.classes)
        if (known == name) return TRUE;
    watch.classes.push_back(name);
    return TRUE;
}

DWORD ParseTimeout(const std::wstring& text) {
    const std::int64_t value = ParseInt(text);
    if (value < 0 || value > 0x7FFFFFFF) throw Failure("not a timeout: " + Utf8(text));
    return static_cast<DWORD>(value);
}

}  // namespace

int Start(const Args& args) {
    const PROCESS_INFORMATION process = LaunchProgram(args[0], args[1], 0);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    PrintLine(Json().Number("pid", process.dwProcessId).str());
    return 0;
}

// Starts and waits: the exit code of a process that ends at once is lost once the last
// handle to it is closed, so the start and the wait share one handle here. While it waits it
// looks for visible top-level windows of the process every few milliseconds and reports the
// classes of those it saw.
int Run(const Args& args) {
    const DWORD timeout = ParseTimeout(args[2]);
    const PROCESS_INFORMATION process = LaunchProgram(args[0], args[1], 0);
    Handle thread(process.hThread);
    Handle handle(process.hProcess);
    WindowWatch watch{process.dwProcessId, {}};
    const ULONGLONG deadline = GetTickCount64() + timeout;
    do {
        EnumWindows(NoteVisibleWindow, reinterpret_cast<LPARAM>(&watch));
    } while (WaitForSingleObject(handle.get(), 5) == WAIT_TIMEOUT && GetTickCount64() < deadline);
    Json json;
    json.Number("pid", process.dwProcessId);
    AddExit(json, handle.get(), 0);
    std::vector<std::string> seen;
    for (const std::wstring& name : watch.classes) seen.push_back(JsonText(name));
    json.Raw("windows_seen", JsonArray(seen));
    PrintLine(json.str());
    return 0;
}

// Creates all processes suspended and then resumes them back to back, so that their start-up
// code runs as nearly at the same moment as the machine allows.
int StartMany(const Args& args) {
    const std::int64_t count = ParseInt(args[0]);
    if (count < 1 || count > 64) throw Failure("start-many takes 1 to 64 processes");
    std::vector<PROCESS_INFORMATION> started;
    for (std::int64_t i = 0; i < count; ++i)
        started.push_back(LaunchProgram(args[1], args[2], CREATE_SUSPENDED));
    std::vector<std::string> pids;
    for (const PROCESS_INFORMATION& process : started) ResumeThread(process.hThread);
    for (const PROCESS_INFORMATION& process : started) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        pids.push_back(std::to_string(process.dwProcessId));
    }
    PrintLine(Json().Raw("pids", JsonArray(pids)).str());
    return 0;
}

int Wait(const Args& args) {
    const DWORD pid = ParsePid(args[0]);
    const DWORD timeout = ParseTimeout(args[1]);
    Handle process(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    Json json;
    if (!process) {
        // Gone, and its last handle closed: it has ended, with a code nobody kept.
        json.Bool("exited", true).Null("code").Bool("gone", true);
    } else {
        AddExit(json, process.get(), timeout);
    }
    PrintLine(json.str());
    return 0;
}

int Kill(const Args& args) {
    const DWORD pid = ParsePid(args[0]);
    Handle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
    if (!process) {
        PrintLine(Json().Bool("killed", false).Bool("gone", true).str());
        return 0;
    }
    const bool killed = TerminateProcess(process.get(), 1) != 0;
    const bool ended = WaitForSingleObject(process.get(), 10000) == WAIT_OBJECT_0;
    PrintLine(Json().Bool("killed", killed).Bool("exited", ended).str());
    return 0;
}

int Processes(const Args& args) {
    Handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) FailWin32("CreateToolhelp32Snapshot");
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    std::vector<std::string> pids;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
         more = Process32NextW(snapshot.get(), &entry)) {
        if (lstrcmpiW(entry.szExeFile, args[0].c_str()) == 0)
            pids.push_back(std::to_string(entry.th32ProcessID));
    }
    PrintLine(Json().Raw("pids", JsonArray(pids)).str());
    return 0;
}

namespace {

// Wine keeps each process's GDI handle table where Windows keeps its shared one: at
// PEB.GdiSharedHandleTable, 24-byte entries whose type byte is 0 when the entry is free.
// Counting the used entries stands in for GetGuiResources, which Wine does not implement.
constexpr std::size_t kPebGdiTableOffset = 0xF8;
constexpr std::size_t kGdiEntries = 0x10000;
constexpr std::size_t kGdiEntrySize = 24;
constexpr std::size_t kGdiTypeOffset = 14;

using QueryProcess = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);

long CountGdiEntries(HANDLE process) {
    const auto query = reinterpret_cast<QueryProcess>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    struct {
        void* reserved1;
        void* peb;
        void* reserved2[4];
    } basic{};
    if (!query || query(process, 0, &basic, sizeof basic, nullptr) != 0) return -1;
    void* table = nullptr;
    SIZE_T read = 0;
    if (!ReadProcessMemory(process, static_cast<char*>(basic.peb) + kPebGdiTableOffset, &table,
                           sizeof table, &read) ||
        table == nullptr)
        return -1;
    std::vector<unsigned char> entries(kGdiEntries * kGdiEntrySize);
    if (!ReadProcessMemory(process, table, entries.data(), entries.size(), &read)) return -1;
    long used = 0;
    for (std::size_t at = 0; at + kGdiEntrySize <= read; at += kGdiEntrySize) {
        if (entries[at + kGdiTypeOffset] != 0) ++used;
    }
    return used;
}

BOOL CALLBACK CountWindow(HWND window, LPARAM context) {
    auto* count = reinterpret_cast<std::pair<DWORD, long>*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == count->first) ++count->second;
    EnumChildWindows(window, CountWindow, context);
    return TRUE;
}

// The process's windows, top-level and child, shown or not.
long CountWindows(DWORD pid) {
    std::pair<DWORD, long> count{pid, 0};
    EnumWindows(CountWindow, reinterpret_cast<LPARAM>(&count));
    return count.second;
}

}  // namespace

// GetGuiResources where the system has it; otherwise the used entries of the process's GDI
// handle table and the number of its windows ("source" says which).
int GuiResources(const Args& args) {
    const DWORD pid = ParsePid(args[0]);
    Handle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
    if (!process) FailWin32("OpenProcess");
    SetLastError(0);
    const DWORD gdi = GetGuiResources(process.get(), GR_GDIOBJECTS);
    const DWORD gdi_error = GetLastError();
    const DWORD user = GetGuiResources(process.get(), GR_USEROBJECTS);
    if (gdi_error != ERROR_CALL_NOT_IMPLEMENTED) {
        PrintLine(Json()
                      .Number("gdi", gdi)
                      .Number("user", user)
                      .Text("source", L"GetGuiResources")
                      .str());
        return 0;
    }
    const long entries = CountGdiEntries(process.get());
    if (entries < 0) throw Failure("the GDI handle table could not be read");
    PrintLine(Json()
                  .Number("gdi", entries)
                  .Number("user", CountWindows(pid))
                  .Text("source", L"handle table and windows")
                  .str());
    return 0;
}

}  // namespace e2e
