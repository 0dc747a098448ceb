#include "startup/module1.h"

#include <windows.h>

#include "platform/runtime/numbers.h"
#include "platform/win32/app.h"
#include "platform/win32/settings_store.h"
#include "saver/form1.h"
#include "settings/settingfrm.h"
#include "startup/command_line.h"
#include "startup/maker.h"
#include "startup/settings_rules.h"

namespace glimra::Module1 {

std::int16_t pointlimit = 0;
std::int16_t drawinterval = 0;
std::int16_t inpreview = 0;

namespace {

std::int16_t ReadSetting(const SettingRule& rule) {
    return ApplyRule(
        rule, win32::GetSetting(kSettingsApp, kSettingsSection, rule.key, rule.default_text));
}

void ShowFullScreen() {
    Form1& form = Form1::Instance();
    form.Show();
    form.SetDrawWidth(12);
    SetWindowPos(form.hWnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ShowCursor(FALSE);
}

void ShowStatement() {
    win32::MsgBox(L"Glimra 屏幕保护程序由 " GLIMRA_MAKER_NAME L" 制作。", MB_ICONINFORMATION,
                  L"声明");
}

}  // namespace

void Main() {
    if (win32::PrevInstance()) win32::End();
    pointlimit = ReadSetting(kPointCountRule);
    drawinterval = ReadSetting(kIntervalRule);

    const std::wstring argument_text = win32::CommandText();
    switch (SelectMode(argument_text)) {
        case Mode::kPreview:
            AttachToPreview();
            return;
        case Mode::kFullScreen:
            ShowFullScreen();
            return;
        case Mode::kStatement:
            ShowStatement();
            return;
        case Mode::kSettings:
            Settingfrm::Instance().Show();
            return;
    }
}

namespace {

// The preview window's handle from the argument text. A handle that does not fit in 32
// bits, or names no window, ends the process before anything is loaded: a saver that
// painted nowhere would linger unseen and refuse every later start.
HWND PreviewParent(const std::wstring& argument_text) {
    std::int32_t handle = 0;
    try {
        handle = CLng(Val(PreviewHandleText(argument_text)));
    } catch (const RuntimeError&) {
        win32::End();
    }
    const HWND parent = reinterpret_cast<HWND>(static_cast<INT_PTR>(handle));
    if (parent == nullptr || !IsWindow(parent)) win32::End();
    return parent;
}

}  // namespace

void AttachToPreview() {
    inpreview = -1;
    const HWND parent = PreviewParent(win32::CommandText());
    Form1& form = Form1::Instance();
    const HWND window = form.hWnd();
    const LONG style = GetWindowLongA(window, GWL_STYLE);
    SetWindowLongA(window, GWL_STYLE, style | WS_CHILD);
    SetParent(window, parent);
    RECT client{};
    GetClientRect(parent, &client);
    SetWindowPos(window, nullptr, 0, 0, client.right, client.bottom,
                 SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOZORDER);
    form.SetDrawWidth(4);
    form.WatchHost(parent);
}

}  // namespace glimra::Module1
