// driver.exe: the hands and eyes of the end-to-end tests inside Wine. Every subcommand prints
// one JSON object on one line of standard output (UTF-8) and exits 0 on success; a failure
// prints {"error":...} and exits 1, a wrong call exits 2.
#include <windows.h>
#include <shellapi.h>

#include <exception>
#include <string_view>

#include "commands.h"

namespace {

struct Command {
    std::wstring_view name;
    std::size_t min_args;
    std::size_t max_args;
    int (*run)(const e2e::Args&);
    std::string_view usage;
};

constexpr Command kCommands[] = {
    {L"start", 2, 2, e2e::Start, "start <exe> <argtext>"},
    {L"run", 3, 3, e2e::Run, "run <exe> <argtext> <timeout_ms>"},
    {L"start-many", 3, 3, e2e::StartMany, "start-many <n> <exe> <argtext>"},
    {L"wait", 2, 2, e2e::Wait, "wait <pid> <timeout_ms>"},
    {L"kill", 1, 1, e2e::Kill, "kill <pid>"},
    {L"procs", 1, 1, e2e::Processes, "procs <image name>"},
    {L"gui-resources", 1, 1, e2e::GuiResources, "gui-resources <pid>"},
    {L"windows", 1, 2, e2e::Windows, "windows <pid> [all]"},
    {L"children", 1, 1, e2e::Children, "children <hwnd>"},
    {L"info", 1, 1, e2e::Info, "info <hwnd>"},
    {L"focus", 1, 1, e2e::Focus, "focus <pid>"},
    {L"cursor", 0, 0, e2e::Cursor, "cursor"},
    {L"redraw", 1, 1, e2e::Redraw, "redraw <hwnd>"},
    {L"settext", 2, 2, e2e::SetText, "settext <hwnd> <text>"},
    {L"gettext", 1, 1, e2e::GetText, "gettext <hwnd>"},
    {L"setscroll", 2, 2, e2e::SetScroll, "setscroll <hwnd> <pos>"},
    {L"press", 1, 1, e2e::Press, "press <hwnd>"},
    {L"close", 1, 2, e2e::Close, "close <hwnd> [syscommand]"},
    {L"post-timer", 2, 3, e2e::PostTimer, "post-timer <hwnd> <count> [id]"},
    {L"detach", 3, 3, e2e::Detach, "detach <hwnd> <x> <y>"},
    {L"dpi-changed", 2, 2, e2e::DpiChanged, "dpi-changed <hwnd> <dpi>"},
    {L"capture", 2, 3, e2e::Capture, "capture <hwnd> <out.ppm> [dc|window|screen|print]"},
    {L"text-ink", 2, 2, e2e::TextInk, "text-ink <face> <text>"},
    {L"reg-get", 1, 1, e2e::RegGet, "reg-get <name>"},
    {L"reg-set", 2, 2, e2e::RegSet, "reg-set <name> <text>"},
    {L"reg-set-long", 3, 3, e2e::RegSetLong, "reg-set-long <name> <char> <count>"},
    {L"reg-set-dword", 2, 2, e2e::RegSetDword, "reg-set-dword <name> <n>"},
    {L"reg-delete-value", 1, 1, e2e::RegDeleteValue, "reg-delete-value <name>"},
    {L"reg-delete-key", 0, 0, e2e::RegDeleteKey, "reg-delete-key"},
    {L"reg-deny-write", 0, 0, e2e::RegDenyWrite, "reg-deny-write"},
    {L"reg-allow-write", 0, 0, e2e::RegAllowWrite, "reg-allow-write"},
    {L"host", 3, 5, e2e::Host, "host <width> <height> <exe> [argtext-prefix] [high]"},
    {L"show-window", 1, 1, e2e::ShowWindowFor, "show-window <ms>"},
    {L"start-line", 2, 2, e2e::StartLine, "start-line <exe> <command line>"},
    {L"hold-name", 1, 1, e2e::HoldName, "hold-name event|denied"},
    {L"caption-ink", 3, 3, e2e::CaptionInk, "caption-ink <face> <tenths of a point> <text>"},
};

int Usage() {
    std::string text;
    for (const Command& command : kCommands)
        text += "  driver " + std::string(command.usage) + "\n";
    e2e::PrintLine(e2e::Json().Text("error", L"usage").Utf8Text("commands", text).str());
    return 2;
}

e2e::Args CommandLineArgs() {
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    e2e::Args args;
    if (argv == nullptr) return args;
    for (int i = 1; i < count; ++i) args.emplace_back(argv[i]);
    LocalFree(argv);
    return args;
}

int Dispatch(const e2e::Args& all) {
    if (all.empty()) return Usage();
    const e2e::Args args(all.begin() + 1, all.end());
    for (const Command& command : kCommands) {
        if (all[0] != command.name) continue;
        if (args.size() < command.min_args || args.size() > command.max_args) return Usage();
        return command.run(args);
    }
    return Usage();
}

}  // namespace

int main() {
    // Windows and pixels are read in the display's own pixels at every DPI.
    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    try {
        return Dispatch(CommandLineArgs());
    } catch (const e2e::Failure& failure) {
        e2e::PrintLine(e2e::Json()
                           .Utf8Text("error", failure.what())
                           .Number("win32", failure.win32_error())
                           .str());
    } catch (const std::exception& error) {
        e2e::PrintLine(e2e::Json().Utf8Text("error", error.what()).str());
    } catch (...) {
        e2e::PrintLine(e2e::Json().Text("error", L"unknown exception").str());
    }
    return 1;
}
