#include "settings/settingfrm.h"

#include <algorithm>
#include <string_view>

#include <commctrl.h>
#include <shellapi.h>

#include "platform/runtime/numbers.h"
#include "platform/win32/picture.h"
#include "platform/win32/screen.h"
#include "platform/win32/settings_store.h"
#include "pictures.h"
#include "settings/layout.h"
#include "startup/maker.h"
#include "startup/module1.h"
#include "startup/settings_rules.h"

namespace glimra {

namespace {

constexpr DWORD kDialogStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

const win32::FormClass kSettingfrmClass{
    L"GlimraSettingfrm", 0, kDialogStyle, 0, L"配置", reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)};

struct WindowKind {
    const wchar_t* window_class;
    DWORD style;
    DWORD ex_style;
};

// No caption carries an access key: labels are SS_NOPREFIX, and no text holds an "&".
WindowKind KindOf(layout::Kind kind) {
    switch (kind) {
        case layout::Kind::kFrame:
            return {L"BUTTON", BS_GROUPBOX, 0};
        case layout::Kind::kButton:
            return {L"BUTTON", BS_PUSHBUTTON, 0};
        case layout::Kind::kArrowButton:
            return {L"BUTTON", BS_PUSHBUTTON | BS_BITMAP | BS_CENTER | BS_VCENTER, 0};
        case layout::Kind::kTextBox:
            return {L"EDIT", ES_LEFT | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
        case layout::Kind::kScrollBar:
            return {L"SCROLLBAR", SBS_HORZ, 0};
        case layout::Kind::kLabel:
            return {L"STATIC", SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0};
        case layout::Kind::kImage:
            return {L"STATIC", SS_BITMAP | SS_CENTERIMAGE | SS_NOTIFY, 0};
    }
    return {L"STATIC", 0, 0};
}

win32::GdiObject<HFONT> SongFont(int tenths_of_points) {
    const int height = -MulDiv(tenths_of_points, win32::ScreenDpi(), 720);
    return win32::GdiObject<HFONT>(CreateFontW(
        height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
        CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"宋体"));
}

// A label is as wide as its caption on one line, and never narrower than laid out: the
// count's caption, with the product's name in it, needs a few pixels more than its place.
int LabelWidth(const std::wstring_view caption, HFONT font, int laid_out) {
    win32::WindowDC screen(nullptr);
    win32::Selection selected(screen.get(), font);
    SIZE extent{};
    GetTextExtentPoint32W(screen.get(), caption.data(), static_cast<int>(caption.size()), &extent);
    return std::max(laid_out, static_cast<int>(extent.cx));
}

RECT PixelRect(const layout::Rect& twips) {
    return {win32::TwipsToPixels(twips.left), win32::TwipsToPixels(twips.top),
            win32::TwipsToPixels(twips.right), win32::TwipsToPixels(twips.bottom)};
}

}  // namespace

Settingfrm::Settingfrm() : Form(kSettingfrmClass) {}

Settingfrm& Settingfrm::Instance() {
    static Settingfrm form;
    return form;
}

// The window as designed: its size and place, icon, fonts, pictures and controls.
void Settingfrm::CreateControls() {
    const HWND dialog = hWnd();
    RECT frame = PixelRect({layout::kClientLeft, layout::kClientTop,
                            layout::kClientLeft + layout::kClientWidth,
                            layout::kClientTop + layout::kClientHeight});
    AdjustWindowRectEx(&frame, kDialogStyle, FALSE, 0);
    SetWindowPos(dialog, nullptr, frame.left, frame.top, frame.right - frame.left,
                 frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE);

    const HINSTANCE instance = GetModuleHandleW(nullptr);
    icon_ = LoadIconW(instance, MAKEINTRESOURCEW(1));
    SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMessageW(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));

    default_font_ = SongFont(90);
    song_font_ = SongFont(105);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    up_arrow_ = win32::DecodeGif(pictures::UpArrow(), face);
    down_arrow_ = win32::DecodeGif(pictures::DownArrow(), face);
    logo_ = win32::DecodeGif(pictures::Logo(), face);
    hand_cursor_ = win32::MakeHandCursor();

    for (const layout::Control& control : layout::kControls) {
        const WindowKind kind = KindOf(control.kind);
        const HFONT font =
            control.font == layout::Font::kSong105 ? song_font_.get() : default_font_.get();
        RECT place = PixelRect(layout::ClientRect(control));
        if (control.kind == layout::Kind::kLabel) {
            place.right = place.left + LabelWidth(control.caption, font, place.right - place.left);
        }
        const DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | kind.style |
                            (control.tab_stop ? WS_TABSTOP : 0);
        const HWND child = CreateWindowExW(
            kind.ex_style, kind.window_class, std::wstring(control.caption).c_str(), style,
            place.left, place.top, place.right - place.left, place.bottom - place.top, dialog,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), instance, nullptr);
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }

    SendMessageW(Control(layout::kCmdChangeUp), BM_SETIMAGE, IMAGE_BITMAP,
                 reinterpret_cast<LPARAM>(up_arrow_.get()));
    SendMessageW(Control(layout::kCmdChangeDown), BM_SETIMAGE, IMAGE_BITMAP,
                 reinterpret_cast<LPARAM>(down_arrow_.get()));
    SendMessageW(Control(layout::kImage1), STM_SETIMAGE, IMAGE_BITMAP,
                 reinterpret_cast<LPARAM>(logo_.get()));
    SendMessageW(Control(layout::kTxtNum), EM_SETLIMITTEXT, 0, 0);  // no limit of its own
    SetScrollRange(Control(layout::kHspeed), SB_CTL, layout::kSpeedMin, layout::kSpeedMax, FALSE);
    SetScrollPos(Control(layout::kHspeed), SB_CTL, layout::kSpeedMin, FALSE);
    AddLogoTooltip();
}

void Settingfrm::AddLogoTooltip() {
    const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES};
    InitCommonControlsEx(&classes);
    const HWND tooltip =
        CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hWnd(), nullptr,
                        GetModuleHandleW(nullptr), nullptr);
    std::wstring name = GLIMRA_MAKER_NAME;
    TOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = hWnd();
    tool.uId = reinterpret_cast<UINT_PTR>(Control(layout::kImage1));
    tool.lpszText = name.data();
    SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void Settingfrm::Form_Load() {
    SetScrollPos(Control(layout::kHspeed), SB_CTL, Module1::drawinterval, TRUE);
    SetWindowTextW(Control(layout::kTxtNum), NumberText(Module1::pointlimit).c_str());
}

void Settingfrm::CmdChange_Click(short Index) {
    const HWND box = Control(layout::kTxtNum);
    if (auto stepped = StepCount(TxtNumText(), static_cast<Arrow>(Index))) {
        SetWindowTextW(box, stepped->c_str());
    }
    SendMessageW(box, EM_SETSEL, 0, kStepSelectionLength);
    SetFocus(box);
}

// Both values are written on every OK, the count first and exactly as typed; a refused
// write raises the run-time error, and what was written before it stays.
void Settingfrm::Command3_Click() {
    win32::SaveSetting(kSettingsApp, kSettingsSection, kPointCountRule.key, TxtNumText());
    win32::SaveSetting(kSettingsApp, kSettingsSection, kIntervalRule.key,
                       NumberText(HspeedValue()));
    Unload();
}

void Settingfrm::Command4_Click() { Unload(); }

void Settingfrm::Image1_Click() {
    ShellExecuteA(hWnd(), nullptr, GLIMRA_MAKER_ADDRESS, nullptr, nullptr, SW_SHOWNORMAL);
}

std::wstring Settingfrm::TxtNumText() {
    const HWND box = Control(layout::kTxtNum);
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(box)) + 1, L'\0');
    text.resize(
        static_cast<std::size_t>(GetWindowTextW(box, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::int16_t Settingfrm::HspeedValue() {
    return static_cast<std::int16_t>(GetScrollPos(Control(layout::kHspeed), SB_CTL));
}

void Settingfrm::OnCommand(int id, int code) {
    if (code != BN_CLICKED) return;  // STN_CLICKED has the same value
    switch (id) {
        case layout::kCmdChangeUp:
            CmdChange_Click(0);
            break;
        case layout::kCmdChangeDown:
            CmdChange_Click(1);
            break;
        case layout::kCommand3:
            Command3_Click();
            break;
        case layout::kCommand4:
            Command4_Click();
            break;
        case layout::kImage1:
            Image1_Click();
            break;
        default:
            break;  // IDOK and IDCANCEL from Enter and Esc press nothing
    }
}

void Settingfrm::OnScroll(int code, int thumb) {
    using layout::ScrollAction;
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
    const HWND bar = Control(layout::kHspeed);
    const int position = GetScrollPos(bar, SB_CTL);
    for (const CodeAction& entry : kActions) {
        if (entry.code != code) continue;
        const int next = layout::Scrolled(position, entry.action, thumb);
        if (next != position) SetScrollPos(bar, SB_CTL, next, TRUE);
        return;
    }
}

bool Settingfrm::TranslateKeys(MSG& message) { return IsDialogMessageW(hWnd(), &message) != 0; }

bool Settingfrm::OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    result = 0;
    switch (message) {
        case WM_CREATE:
            CreateControls();
            return true;
        case WM_COMMAND:
            OnCommand(LOWORD(wparam), HIWORD(wparam));
            return true;
        case WM_HSCROLL:
            if (reinterpret_cast<HWND>(lparam) == Control(layout::kHspeed)) {
                OnScroll(LOWORD(wparam), static_cast<short>(HIWORD(wparam)));
            }
            return true;
        case WM_SETCURSOR:
            if (reinterpret_cast<HWND>(wparam) != Control(layout::kImage1) || !hand_cursor_) {
                return false;
            }
            SetCursor(hand_cursor_.get());
            result = TRUE;
            return true;
        case WM_ACTIVATE:
            // As a dialog does: the focus leaves with the window and comes back with it.
            if (LOWORD(wparam) == WA_INACTIVE) {
                focus_ = GetFocus();
            } else {
                SetFocus(focus_ && IsChild(hWnd(), focus_) ? focus_ : Control(layout::kTxtNum));
            }
            return true;
        default:
            return false;
    }
}

}  // namespace glimra
