// The settings dialog's window on Windows: a captioned window whose child controls are
// made from the program's table, laid out at the window's own DPI and again when it comes
// to another, with the dialog keys, the focus kept across activation, the scroll bar's
// stepping, the image's pointer and tooltip, and clicks reported back.
#include "platform/dialog_window.h"

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "platform/dialog_layout.h"
#include "platform/scaling.h"
#include "platform/scrolling.h"
#include "platform/win32/delayed.h"
#include "platform/win32/form.h"
#include "platform/win32/handles.h"
#include "platform/win32/picture.h"
#include "platform/win32/screen.h"

namespace glimra::platform {

namespace {

constexpr DWORD kDialogStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
// Messages of newer headers, spelled here since the program builds for Windows 7.
constexpr UINT kWmDpiChanged = 0x02E0, kWmGetDpiScaledSize = 0x02E4;

struct WindowKind {
    const wchar_t* window_class;
    DWORD style;
    DWORD ex_style;
};

// No caption carries an access key: labels are SS_NOPREFIX, and no text holds an "&".
WindowKind KindOf(ControlKind kind) {
    switch (kind) {
        case ControlKind::kFrame:
            return {L"BUTTON", BS_GROUPBOX, 0};
        case ControlKind::kButton:
            return {L"BUTTON", BS_PUSHBUTTON, 0};
        case ControlKind::kArrowButton:
            return {L"BUTTON", BS_PUSHBUTTON | BS_BITMAP | BS_CENTER | BS_VCENTER, 0};
        case ControlKind::kTextBox:
            return {L"EDIT", ES_LEFT | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
        case ControlKind::kScrollBar:
            return {L"SCROLLBAR", SBS_HORZ, 0};
        case ControlKind::kLabel:
            return {L"STATIC", SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0};
        case ControlKind::kImage:
            return {L"STATIC", SS_BITMAP | SS_CENTERIMAGE | SS_NOTIFY, 0};
    }
    return {L"STATIC", 0, 0};
}

bool Clickable(ControlKind kind) {
    return kind == ControlKind::kButton || kind == ControlKind::kArrowButton ||
           kind == ControlKind::kImage;
}

win32::GdiObject<HFONT> SongFont(int tenths_of_points, int dpi) {
    const int height = -MulDiv(tenths_of_points, dpi, 720);
    return win32::GdiObject<HFONT>(CreateFontW(
        height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
        CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"宋体"));
}

// A label takes the size of its caption on one line, measured in the font actually
// selected (the face that stands in for the one asked for may be wider or taller), and is
// never smaller than laid out; its left and top stay.
void FitLabel(RECT& place, std::wstring_view caption, HFONT font) {
    const win32::WindowDC screen(nullptr);
    const win32::Selection selected(screen.get(), font);
    RECT text{};
    DrawTextW(screen.get(), caption.data(), static_cast<int>(caption.size()), &text,
              DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX | DT_EXPANDTABS);
    place.right = place.left + std::max(place.right - place.left, text.right - text.left);
    place.bottom = place.top + std::max(place.bottom - place.top, text.bottom - text.top);
}

RECT PixelRect(int left, int top, int right, int bottom, int dpi) {
    return {platform::TwipsToPixels(left, dpi), platform::TwipsToPixels(top, dpi),
            platform::TwipsToPixels(right, dpi), platform::TwipsToPixels(bottom, dpi)};
}

RECT ControlRect(const DialogSpec& spec, const ControlSpec& control, int dpi) {
    const platform::PixelRect place = platform::ControlPixels(spec, control, dpi);
    return {place.left, place.top, place.right, place.bottom};
}

// The window's size around the client area of the layout at `dpi`.
SIZE FrameSize(const DialogSpec& spec, int dpi) {
    RECT frame = PixelRect(0, 0, spec.client_width, spec.client_height, dpi);
    win32::AdjustFrame(frame, kDialogStyle, dpi);
    return {frame.right - frame.left, frame.bottom - frame.top};
}

// The caption comes from the program's table, as the window is made.
const win32::FormClass kSettingfrmClass{
    L"GlimraSettingfrm", 0, kDialogStyle, 0, nullptr, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)};

class Win32DialogWindow final : public win32::Form, public DialogWindow {
  public:
    Win32DialogWindow(const DialogSpec& spec, DialogEvents& events)
        : Form(kSettingfrmClass), spec_(spec), events_(events) {}

    void Show() override;
    std::wstring Text(int control) override;
    void SetText(int control, std::wstring_view text) override;
    void Select(int control, int start, int length) override;
    void SetFocus(int control) override { ::SetFocus(Control(control)); }
    std::int16_t Value(int control) override;
    void SetValue(int control, std::int16_t value) override;
    void OpenAddress(const char* address) override;
    void Unload() override { Destroy(); }

  private:
    bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;
    bool TranslateKeys(MSG& message) override;
    void OnCreate();
    void OnCommand(int id, int code);
    void OnScroll(HWND bar, int code, int thumb);
    bool OnSetCursor(HWND over);
    void OnActivate(bool active);
    void OnDpiChanged(int dpi, const RECT& suggested);
    void FitClient();
    void KeepOnWorkArea();
    void CreateControl(const ControlSpec& control);
    void LayOut();
    void SetIcons();
    void AddTooltip(HWND tool, std::wstring_view tip);
    HWND Control(int id) const { return GetDlgItem(hWnd(), id); }

    DialogSpec spec_;
    DialogEvents& events_;
    int dpi_ = platform::kDesignDpi;  // what the controls, fonts and pictures are laid out at
    HWND focus_ = nullptr;            // where the focus goes back when the dialog is activated
    win32::GdiObject<HFONT> default_font_;
    win32::GdiObject<HFONT> song_font_;
    std::vector<win32::GdiObject<HBITMAP>> pictures_;
    std::vector<std::pair<HWND, win32::Cursor>> cursors_;  // of the controls that have one
    win32::Icon big_icon_;
    win32::Icon small_icon_;
};

void Win32DialogWindow::Show() {
    if (!IsLoaded()) {
        Create();
        events_.Form_Load();
    }
    ShowWindow(hWnd(), SW_SHOWNORMAL);
}

std::wstring Win32DialogWindow::Text(int control) {
    const HWND box = Control(control);
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(box)) + 1, L'\0');
    text.resize(
        static_cast<std::size_t>(GetWindowTextW(box, text.data(), static_cast<int>(text.size()))));
    return text;
}

void Win32DialogWindow::SetText(int control, std::wstring_view text) {
    SetWindowTextW(Control(control), std::wstring(text).c_str());
}

void Win32DialogWindow::Select(int control, int start, int length) {
    SendMessageW(Control(control), EM_SETSEL, static_cast<WPARAM>(start),
                 static_cast<LPARAM>(start + length));
}

std::int16_t Win32DialogWindow::Value(int control) {
    return static_cast<std::int16_t>(GetScrollPos(Control(control), SB_CTL));
}

void Win32DialogWindow::SetValue(int control, std::int16_t value) {
    SetScrollPos(Control(control), SB_CTL, value, TRUE);
}

void Win32DialogWindow::OpenAddress(const char* address) {
    win32::delayed::ShellExecuteA(hWnd(), nullptr, address, nullptr, nullptr, SW_SHOWNORMAL);
}

// The window as designed, at the DPI of the monitor it is made on: its size and place,
// icons, controls, fonts and pictures.
void Win32DialogWindow::OnCreate() {
    SetWindowTextW(hWnd(), std::wstring(spec_.caption).c_str());
    dpi_ = win32::WindowDpi(hWnd());
    RECT frame = PixelRect(0, 0, spec_.client_width, spec_.client_height, dpi_);
    OffsetRect(&frame, platform::TwipsToPixels(spec_.client_left, dpi_),
               platform::TwipsToPixels(spec_.client_top, dpi_));
    win32::AdjustFrame(frame, kDialogStyle, dpi_);
    SetWindowPos(hWnd(), nullptr, frame.left, frame.top, frame.right - frame.left,
                 frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE);
    FitClient();
    KeepOnWorkArea();
    for (const ControlSpec& control : spec_.controls) CreateControl(control);
    LayOut();
    for (const ControlSpec& control : spec_.controls) {
        if (!control.tooltip.empty()) AddTooltip(Control(control.id), control.tooltip);
    }
}

// Dragged to a monitor of another DPI, the window takes the rectangle the system suggests
// (the size it asked for first, WM_GETDPISCALEDSIZE) and lays everything out again. The
// controls stay the same windows, so their text, selection, focus and scroll position stay
// as they are.
void Win32DialogWindow::OnDpiChanged(int dpi, const RECT& suggested) {
    dpi_ = dpi;
    SetWindowPos(hWnd(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    FitClient();
    LayOut();
    InvalidateRect(hWnd(), nullptr, TRUE);
}

// The client area exactly as laid out, whatever frame the system draws around it: should
// its frame be of another size than the one asked for at this DPI, the window follows.
void Win32DialogWindow::FitClient() {
    RECT window{};
    RECT client{};
    GetWindowRect(hWnd(), &window);
    GetClientRect(hWnd(), &client);
    const int width = platform::TwipsToPixels(spec_.client_width, dpi_);
    const int height = platform::TwipsToPixels(spec_.client_height, dpi_);
    if (client.right == width && client.bottom == height) return;
    SetWindowPos(hWnd(), nullptr, 0, 0, window.right - window.left + width - client.right,
                 window.bottom - window.top + height - client.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// On the work area of the monitor that holds the most of the window.
void Win32DialogWindow::KeepOnWorkArea() {
    RECT window{};
    GetWindowRect(hWnd(), &window);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromRect(&window, MONITOR_DEFAULTTONEAREST), &monitor)) return;
    const RECT& area = monitor.rcWork;
    const platform::PixelRect placed =
        platform::PlacedWindow({window.left, window.top, window.right, window.bottom},
                               {area.left, area.top, area.right, area.bottom});
    if (placed.left == window.left && placed.top == window.top) return;
    SetWindowPos(hWnd(), nullptr, placed.left, placed.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The controls' places, fonts and pictures at dpi_, the hand cursor and the icons. What
// the controls showed before goes only once they show the new.
void Win32DialogWindow::LayOut() {
    auto default_font = SongFont(90, dpi_);
    auto song_font = SongFont(105, dpi_);
    std::vector<win32::GdiObject<HBITMAP>> pictures;
    for (const ControlSpec& control : spec_.controls) {
        const HWND child = Control(control.id);
        const HFONT font =
            control.font == ControlFont::kSong105 ? song_font.get() : default_font.get();
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
        if (!control.picture.empty()) {
            pictures.push_back(win32::DecodeGif(control.picture, GetSysColor(COLOR_BTNFACE), dpi_));
            const bool button = control.kind == ControlKind::kArrowButton;
            SendMessageW(child, button ? BM_SETIMAGE : STM_SETIMAGE, IMAGE_BITMAP,
                         reinterpret_cast<LPARAM>(pictures.back().get()));
        }
        RECT place = ControlRect(spec_, control, dpi_);
        if (control.kind == ControlKind::kLabel) FitLabel(place, control.caption, font);
        SetWindowPos(child, nullptr, place.left, place.top, place.right - place.left,
                     place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    default_font_ = std::move(default_font);
    song_font_ = std::move(song_font);
    pictures_ = std::move(pictures);
    const int cursor_size = win32::SystemMetric(SM_CXCURSOR, dpi_);
    std::vector<std::pair<HWND, win32::Cursor>> cursors;
    for (const ControlSpec& control : spec_.controls) {
        if (control.cursor.empty()) continue;
        cursors.emplace_back(Control(control.id), win32::MakeCursor(control.cursor, cursor_size));
    }
    cursors_ = std::move(cursors);
    SetIcons();
}

// The one icon of the program, at the sizes the system draws the caption and the task
// switcher with at dpi_.
void Win32DialogWindow::SetIcons() {
    const auto load = [this](int size_metric) {
        const int size = win32::SystemMetric(size_metric, dpi_);
        return win32::Icon(static_cast<HICON>(
            LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, 0)));
    };
    win32::Icon big = load(SM_CXICON);
    win32::Icon small = load(SM_CXSMICON);
    SendMessageW(hWnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.get()));
    SendMessageW(hWnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
    big_icon_ = std::move(big);
    small_icon_ = std::move(small);
}

// Made where the layout puts it later; only what never changes is set here.
void Win32DialogWindow::CreateControl(const ControlSpec& control) {
    const WindowKind kind = KindOf(control.kind);
    const DWORD style =
        WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | kind.style | (control.tab_stop ? WS_TABSTOP : 0);
    const HWND child = CreateWindowExW(
        kind.ex_style, kind.window_class, std::wstring(control.caption).c_str(), style, 0, 0, 0, 0,
        hWnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)),
        GetModuleHandleW(nullptr), nullptr);
    switch (control.kind) {
        case ControlKind::kTextBox:
            SendMessageW(child, EM_SETLIMITTEXT, 0, 0);  // no limit of its own
            break;
        case ControlKind::kScrollBar:
            SetScrollRange(child, SB_CTL, control.scroll.min, control.scroll.max, FALSE);
            SetScrollPos(child, SB_CTL, control.scroll.min, FALSE);
            break;
        default:
            break;
    }
}

void Win32DialogWindow::AddTooltip(HWND tool, std::wstring_view tip) {
    const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES};
    win32::delayed::InitCommonControlsEx(&classes);
    const HWND tooltip =
        CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hWnd(), nullptr,
                        GetModuleHandleW(nullptr), nullptr);
    std::wstring text(tip);
    TOOLINFOW info{};
    info.cbSize = TTTOOLINFOW_V2_SIZE;
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = hWnd();
    info.uId = reinterpret_cast<UINT_PTR>(tool);
    info.lpszText = text.data();
    SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

// Clicks of buttons and of the image go to the program; IDOK and IDCANCEL, which Enter and
// Esc send, belong to no control and press nothing.
void Win32DialogWindow::OnCommand(int id, int code) {
    if (code != BN_CLICKED) return;  // STN_CLICKED has the same value
    for (const ControlSpec& control : spec_.controls) {
        if (control.id == id && Clickable(control.kind)) {
            events_.Control_Click(id);
            return;
        }
    }
}

void Win32DialogWindow::OnScroll(HWND bar, int code, int thumb) {
    struct CodeAction {
        int code;
        ScrollAction action;
    };
    static constexpr CodeAction kActions[] = {
        {SB_LINELEFT, ScrollAction::kLineLess}, {SB_LINERIGHT, ScrollAction::kLineMore},
        {SB_PAGELEFT, ScrollAction::kPageLess}, {SB_PAGERIGHT, ScrollAction::kPageMore},
        {SB_LEFT, ScrollAction::kFirst},        {SB_RIGHT, ScrollAction::kLast},
        {SB_THUMBTRACK, ScrollAction::kTo},     {SB_THUMBPOSITION, ScrollAction::kTo},
    };
    const ControlSpec* scroll_bar = nullptr;
    for (const ControlSpec& control : spec_.controls) {
        if (Control(control.id) == bar) scroll_bar = &control;
    }
    if (scroll_bar == nullptr) return;
    const int position = GetScrollPos(bar, SB_CTL);
    for (const CodeAction& entry : kActions) {
        if (entry.code != code) continue;
        const int next = Scrolled(scroll_bar->scroll, position, entry.action, thumb);
        if (next != position) SetScrollPos(bar, SB_CTL, next, TRUE);
        return;
    }
}

bool Win32DialogWindow::OnSetCursor(HWND over) {
    for (const auto& [control, cursor] : cursors_) {
        if (control != over || !cursor) continue;
        SetCursor(cursor.get());
        return true;
    }
    return false;
}

// As a dialog does: the focus leaves with the window and comes back with it, or goes to
// the first control that takes it.
void Win32DialogWindow::OnActivate(bool active) {
    if (!active) {
        focus_ = GetFocus();
    } else if (focus_ && IsChild(hWnd(), focus_)) {
        ::SetFocus(focus_);
    } else {
        ::SetFocus(GetNextDlgTabItem(hWnd(), nullptr, FALSE));
    }
}

bool Win32DialogWindow::TranslateKeys(MSG& message) {
    return IsDialogMessageW(hWnd(), &message) != 0;
}

bool Win32DialogWindow::OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    result = 0;
    switch (message) {
        case WM_CREATE:
            OnCreate();
            return true;
        case WM_COMMAND:
            OnCommand(LOWORD(wparam), HIWORD(wparam));
            return true;
        case WM_HSCROLL:
            if (lparam != 0) {
                OnScroll(reinterpret_cast<HWND>(lparam), LOWORD(wparam),
                         static_cast<short>(HIWORD(wparam)));
            }
            return true;
        case WM_SETCURSOR:
            if (!OnSetCursor(reinterpret_cast<HWND>(wparam))) return false;
            result = TRUE;
            return true;
        case WM_ACTIVATE:
            OnActivate(LOWORD(wparam) != WA_INACTIVE);
            return true;
        case kWmGetDpiScaledSize:
            *reinterpret_cast<SIZE*>(lparam) = FrameSize(spec_, LOWORD(wparam));
            result = TRUE;
            return true;
        case kWmDpiChanged:
            OnDpiChanged(HIWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
            return true;
        default:
            return false;
    }
}

}  // namespace

std::unique_ptr<DialogWindow> NewDialogWindow(const DialogSpec& spec, DialogEvents& events) {
    return std::make_unique<Win32DialogWindow>(spec, events);
}

}  // namespace glimra::platform
