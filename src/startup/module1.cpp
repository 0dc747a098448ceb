#include "startup/module1.h"

#include <optional>
#include <string>

#include "maker.h"
#include "platform/platform.h"
#include "saver/form1.h"
#include "settings/settingfrm.h"
#include "startup/command_line.h"
#include "startup/preview_handle.h"
#include "startup/settings_rules.h"

namespace glimra::Module1 {

std::int16_t pointlimit = 0;
std::int16_t drawinterval = 0;
std::int16_t inpreview = 0;

namespace {

// The forms, each made at its first use over the values above. In a display mode Form1 is
// first used by ShowOnHostWindow, which makes it for the host's window.
Form1& SaverForm(std::optional<platform::HostHandle> host_window = std::nullopt) {
    static Form1 form({pointlimit, drawinterval, inpreview}, host_window);
    return form;
}

Settingfrm& SettingsForm() {
    static Settingfrm form({pointlimit, drawinterval});
    return form;
}

std::int16_t ReadSetting(const SettingRule& rule) {
    return ApplyRule(
        rule, platform::GetSetting(kSettingsApp, kSettingsSection, rule.key, rule.default_text));
}

// Main's second step: "NumberofPoint" into pointlimit, then "speed" into drawinterval.
void ReadSettings() {
    pointlimit = ReadSetting(kPointCountRule);
    drawinterval = ReadSetting(kIntervalRule);
}

void ShowFullScreen() {
    Form1& form = SaverForm();
    form.Show();
    form.SetDrawWidth(12);
    form.MakeTopmost();
    form.ShowCursor(false);
}

void ShowStatement() {
    platform::MsgBox(L"Glimra 屏幕保护程序由 " GLIMRA_MAKER_NAME L" 制作。", L"声明");
}

}  // namespace

void Main() {
    if (platform::PrevInstance(kSettingsApp)) platform::End();
    ReadSettings();

    const std::wstring argument_text = platform::CommandText();
    switch (SelectMode(argument_text)) {
        case Mode::kPreview:  // in the host's world, whatever its scale
            AttachToPreview();
            return;
        case Mode::kFullScreen:
            platform::DeclareDpiAwareness();
            ShowFullScreen();
            return;
        case Mode::kStatement:
            ShowStatement();
            return;
        case Mode::kSettings:
            platform::DeclareDpiAwareness();
            SettingsForm().Show();
            return;
    }
}

// A handle that names no window ends the process before anything is loaded; so does a
// host that cannot take the saver's window (the platform tells).
void AttachToPreview() {
    inpreview = -1;
    const auto host = PreviewHandle(platform::CommandText(), platform::kHostHandleForm);
    if (!host) platform::End();
    Form1& form = SaverForm();
    if (!form.AttachToPreview(*host)) platform::End();
    form.SetDrawWidth(4);
}

// Form1 is shown as in the full-screen saver, but on the host's window: its load draws
// there, and showing it leaves the host's window as it is.
void ShowOnHostWindow(platform::HostHandle window, int draw_width) {
    ReadSettings();
    Form1& form = SaverForm(window);
    form.Show();
    form.SetDrawWidth(draw_width);
}

}  // namespace glimra::Module1
