// Reading the window tree of the program under test.
#include "commands.h"

namespace e2e {
namespace {

HWND ParentOf(HWND window) {
    const HWND parent = GetAncestor(window, GA_PARENT);
    return parent == GetDesktopWindow() ? nullptr : parent;
}

// "rect" is the window rectangle in screen coordinates for a top-level window and relative to
// the parent's client area for a child; "screen_rect" is always in screen coordinates.
void AddCommon(Json& json, HWND window, const RECT& rect) {
    DWORD pid = 0;
    const DWORD thread = GetWindowThreadProcessId(window, &pid);
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
    const auto exstyle = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE));
    RECT screen{};
    GetWindowRect(window, &screen);
    RECT client{};
    GetClientRect(window, &client);
    json.Number("hwnd", WindowNumber(window))
        .Text("class", ClassName(window))
        .Text("text", WindowText(window))
        .Raw("rect", JsonRect(rect))
        .Raw("screen_rect", JsonRect(screen))
        .Raw("client", JsonArray({std::to_string(client.right - client.left),
                                  std::to_string(client.bottom - client.top)}))
        .Number("style", style)
        .Number("exstyle", exstyle)
        .Bool("visible", IsWindowVisible(window) != 0)
        .Bool("enabled", IsWindowEnabled(window) != 0)
        .Number("parent", WindowNumber(ParentOf(window)))
        .Number("owner", WindowNumber(GetWindow(window, GW_OWNER)))
        .Number("pid", pid)
        .Number("tid", thread);
    // Wine gives another process's context zero-extended: its sign goes back first.
    const auto context =
        reinterpret_cast<DPI_AWARENESS_CONTEXT>(static_cast<INT_PTR>(static_cast<std::int32_t>(
            reinterpret_cast<INT_PTR>(GetWindowDpiAwarenessContext(window)))));
    json.Number("dpi_awareness", GetAwarenessFromDpiAwarenessContext(context));
}

std::string TopLevelInfo(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    Json json;
    AddCommon(json, window, rect);
    const auto exstyle = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE));
    json.Bool("topmost", (exstyle & WS_EX_TOPMOST) != 0).Bool("iconic", IsIconic(window) != 0);
    return json.str();
}

// Scroll bars and edits answer a few messages of their kind; Wine marshals the pointers of
// SBM_GETRANGE and SBM_GETSCROLLINFO across processes as Windows does.
void AddControlState(Json& json, HWND window) {
    const std::wstring kind = ClassName(window);
    LRESULT result = 0;
    if (lstrcmpiW(kind.c_str(), L"ScrollBar") == 0) {
        if (SendWithTimeout(window, SBM_GETPOS, 0, 0, result)) json.Number("scroll_pos", result);
        int low = 0;
        int high = 0;
        if (SendWithTimeout(window, SBM_GETRANGE, reinterpret_cast<WPARAM>(&low),
                            reinterpret_cast<LPARAM>(&high), result))
            json.Raw("scroll_range", JsonArray({std::to_string(low), std::to_string(high)}));
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_ALL;
        if (SendWithTimeout(window, SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(&info), result))
            json.Number("scroll_page", info.nPage);
    } else if (lstrcmpiW(kind.c_str(), L"Edit") == 0) {
        if (SendWithTimeout(window, EM_GETSEL, 0, 0, result))
            json.Raw("selection",
                     JsonArray({std::to_string(LOWORD(result)), std::to_string(HIWORD(result))}));
    } else if (lstrcmpiW(kind.c_str(), L"Button") == 0) {
        if (SendWithTimeout(window, BM_GETSTATE, 0, 0, result)) json.Number("button_state", result);
    }
}

std::string ChildInfo(HWND window, int depth) {
    RECT rect{};
    GetWindowRect(window, &rect);
    MapWindowPoints(HWND_DESKTOP, GetAncestor(window, GA_PARENT), reinterpret_cast<POINT*>(&rect),
                    2);
    Json json;
    AddCommon(json, window, rect);
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
    json.Number("id", GetDlgCtrlID(window))
        .Bool("tabstop", (style & WS_TABSTOP) != 0)
        .Number("depth", depth);
    AddControlState(json, window);
    return json.str();
}

// Every descendant, each parent before its children, siblings from the top of the z-order.
void CollectChildren(HWND parent, int depth, std::vector<std::string>& out) {
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        out.push_back(ChildInfo(child, depth));
        CollectChildren(child, depth + 1, out);
    }
}

struct TopLevelSearch {
    DWORD pid;
    bool include_hidden;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM context) {
    auto& search = *reinterpret_cast<TopLevelSearch*>(context);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == search.pid && (search.include_hidden || IsWindowVisible(window)))
        search.found.push_back(window);
    return TRUE;
}

std::vector<HWND> TopLevelWindows(DWORD pid, bool include_hidden) {
    TopLevelSearch search{pid, include_hidden, {}};
    EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND ExistingWindow(const std::wstring& text) {
    const HWND window = ParseWindow(text);
    if (!IsWindow(window)) throw Failure("no such window: " + Utf8(text));
    return window;
}

}  // namespace

int Windows(const Args& args) {
    const DWORD pid = ParsePid(args[0]);
    const bool all = args.size() > 1 && args[1] == L"all";
    std::vector<std::string> items;
    for (const HWND window : TopLevelWindows(pid, all)) items.push_back(TopLevelInfo(window));
    PrintLine(Json().Raw("windows", JsonArray(items)).str());
    return 0;
}

int Children(const Args& args) {
    const HWND parent = ExistingWindow(args[0]);
    std::vector<std::string> items;
    CollectChildren(parent, 0, items);
    PrintLine(Json().Raw("children", JsonArray(items)).str());
    return 0;
}

int Info(const Args& args) {
    const HWND window = ParseWindow(args[0]);
    if (!IsWindow(window)) {
        PrintLine(Json().Bool("exists", false).str());
        return 0;
    }
    PrintLine(Json()
                  .Bool("exists", true)
                  .Raw("window", ParentOf(window) ? ChildInfo(window, 0) : TopLevelInfo(window))
                  .str());
    return 0;
}

int Focus(const Args& args) {
    const DWORD pid = ParsePid(args[0]);
    const std::vector<HWND> windows = TopLevelWindows(pid, true);
    Json json;
    json.Number("foreground", WindowNumber(GetForegroundWindow()));
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    for (const HWND window : windows) {
        if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) continue;
        json.Number("focus", WindowNumber(info.hwndFocus))
            .Number("active", WindowNumber(info.hwndActive))
            .Number("capture", WindowNumber(info.hwndCapture))
            .Number("caret", WindowNumber(info.hwndCaret));
        break;
    }
    PrintLine(json.str());
    return 0;
}

}  // namespace e2e

namespace e2e {

// The pointer's current shape: its hot spot, size and whether it has colour, read through
// GetCursorInfo and GetIconInfo; "arrow" says whether it is the system's standard arrow.
// Wine reads neither the bits nor the identity of another process's cursor (its arrow has
// another handle there), so across processes only "handle" and "shown" tell anything.
int Cursor(const Args&) {
    CURSORINFO cursor{};
    cursor.cbSize = sizeof cursor;
    if (!GetCursorInfo(&cursor)) FailWin32("GetCursorInfo");
    Json json;
    json.Number("handle", static_cast<long long>(reinterpret_cast<INT_PTR>(cursor.hCursor)))
        .Bool("shown", (cursor.flags & CURSOR_SHOWING) != 0)
        .Bool("arrow", cursor.hCursor == LoadCursorW(nullptr, IDC_ARROW));
    ICONINFO icon{};
    if (cursor.hCursor != nullptr && GetIconInfo(cursor.hCursor, &icon)) {
        BITMAP mask{};
        GetObjectW(icon.hbmMask, sizeof mask, &mask);
        json.Raw("hotspot",
                 JsonArray({std::to_string(icon.xHotspot), std::to_string(icon.yHotspot)}))
            .Raw("mask", JsonArray({std::to_string(mask.bmWidth), std::to_string(mask.bmHeight)}))
            .Bool("colour", icon.hbmColor != nullptr);
        if (icon.hbmMask) DeleteObject(icon.hbmMask);
        if (icon.hbmColor) DeleteObject(icon.hbmColor);
    }
    PrintLine(json.str());
    return 0;
}

}  // namespace e2e
