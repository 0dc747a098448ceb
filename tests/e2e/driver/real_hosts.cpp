// How real hosts and systems start the program: an exact command line, a lock name held
// by someone else, and captions drawn as the dialog's labels draw them.
#include "commands.h"

#include <sddl.h>

#include <algorithm>

namespace e2e {

// Starts <exe> with exactly this command line (no quotes added), with no standard handles.
int StartLine(const Args& args) {
    std::wstring line = args[1];
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(args[0].c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        FailWin32("CreateProcessW " + Utf8(line));
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    PrintLine(Json().Number("pid", process.dwProcessId).str());
    return 0;
}

// Holds the program's instance lock name until killed: "event" with an event, "denied" with
// a mutex whose DACL grants nobody anything (an instance at another integrity level).
int HoldName(const Args& args) {
    constexpr wchar_t kName[] = L"Local\\Glimra.Lumeck.Instance";
    HANDLE object = nullptr;
    if (args[0] == L"event") {
        object = CreateEventW(nullptr, TRUE, FALSE, kName);
    } else if (args[0] == L"denied") {
        SECURITY_ATTRIBUTES attributes{sizeof attributes, nullptr, FALSE};
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(
                L"D:", SDDL_REVISION_1, &attributes.lpSecurityDescriptor, nullptr))
            FailWin32("ConvertStringSecurityDescriptorToSecurityDescriptorW");
        object = CreateMutexW(&attributes, FALSE, kName);
    } else {
        throw Failure("hold-name takes event or denied");
    }
    if (object == nullptr) FailWin32("creating the object");
    const HANDLE again = CreateMutexW(nullptr, FALSE, kName);
    PrintLine(Json()
                  .Number("pid", GetCurrentProcessId())
                  .Number("mutex_error", again == nullptr ? GetLastError() : 0)
                  .str());
    Sleep(INFINITE);
    return 0;
}

// The ink box of a caption drawn unclipped at 0,0 as a label draws it, in "宋体" (or another
// face) at the given tenths of a point, GB2312, on white: left, top, right, bottom.
int CaptionInk(const Args& args) {
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    const int height = -MulDiv(static_cast<int>(ParseInt(args[1])), dpi, 720);
    const HFONT font = CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET,
                                   OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                   DEFAULT_PITCH | FF_DONTCARE, args[0].c_str());
    constexpr int kSize = 400;
    const HDC dc = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateCompatibleBitmap(screen, kSize, kSize);
    ReleaseDC(nullptr, screen);
    const HGDIOBJ old_bitmap = SelectObject(dc, bitmap);
    const HGDIOBJ old_font = SelectObject(dc, font);
    RECT all{0, 0, kSize, kSize};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    const std::wstring& text = args[2];
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &all,
              DT_LEFT | DT_SINGLELINE | DT_NOPREFIX | DT_EXPANDTABS);
    RECT ink{kSize, kSize, -1, -1};
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            if ((GetPixel(dc, x, y) & 0xFFFFFF) == 0xFFFFFF) continue;
            ink = {std::min<LONG>(ink.left, x), std::min<LONG>(ink.top, y),
                   std::max<LONG>(ink.right, x + 1), std::max<LONG>(ink.bottom, y + 1)};
        }
    }
    SelectObject(dc, old_font);
    SelectObject(dc, old_bitmap);
    DeleteObject(bitmap);
    DeleteObject(font);
    DeleteDC(dc);
    PrintLine(Json().Raw("ink", JsonRect(ink)).str());
    return 0;
}

}  // namespace e2e
