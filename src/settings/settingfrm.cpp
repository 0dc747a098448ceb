#include "settings/settingfrm.h"

#include "maker.h"
#include "pictures.h"
#include "platform/platform.h"
#include "runtime/numbers.h"
#include "settings/stepping.h"
#include "settings/setting_keys.h"

namespace glimra {

namespace {

// The layout with the pictures that the arrow buttons and the logo show, and the logo's
// tooltip, the maker's name, and hand pointer.
std::array<platform::ControlSpec, layout::kControls.size()> ControlsWithPictures() {
    std::array<platform::ControlSpec, layout::kControls.size()> controls = layout::kControls;
    for (platform::ControlSpec& control : controls) {
        if (control.id == layout::kUpArrow) control.picture = pictures::UpArrow();
        if (control.id == layout::kDownArrow) control.picture = pictures::DownArrow();
        if (control.id == layout::kLogo) {
            control.picture = pictures::Logo();
            control.tooltip = GLIMRA_MAKER_NAME;
            control.cursor = pictures::HandCursor();
        }
    }
    return controls;
}

}  // namespace

Settingfrm::Settingfrm(const SettingsValues& values)
    : values_(values), controls_(ControlsWithPictures()) {
    const platform::DialogSpec spec{.caption = layout::kCaption,
                                    .client_width = layout::kClientWidth,
                                    .client_height = layout::kClientHeight,
                                    .client_left = layout::kClientLeft,
                                    .client_top = layout::kClientTop,
                                    .controls = controls_};
    window_ = platform::NewDialogWindow(spec, *this);
}

void Settingfrm::Show() { window_->Show(); }

void Settingfrm::Form_Load() {
    window_->SetValue(layout::kSpeedBar, values_.drawinterval);
    window_->SetText(layout::kCountBox, runtime::NumberText(values_.pointlimit));
}

void Settingfrm::Control_Click(int control) {
    switch (control) {
        case layout::kUpArrow:
            CmdChange_Click(0);
            break;
        case layout::kDownArrow:
            CmdChange_Click(1);
            break;
        case layout::kOk:
            Command3_Click();
            break;
        case layout::kCancel:
            Command4_Click();
            break;
        case layout::kLogo:
            Image1_Click();
            break;
        default:
            break;
    }
}

void Settingfrm::CmdChange_Click(short Index) {
    if (auto stepped = StepCount(window_->Text(layout::kCountBox), static_cast<Arrow>(Index))) {
        window_->SetText(layout::kCountBox, *stepped);
    }
    window_->Select(layout::kCountBox, 0, kStepSelectionLength);
    window_->SetFocus(layout::kCountBox);
}

// Both values are written on every OK, the count first and exactly as typed; a refused
// write raises the run-time error, and what was written before it stays.
void Settingfrm::Command3_Click() {
    platform::SaveSetting(kSettingsApp, kSettingsSection, kPointCountKey,
                          window_->Text(layout::kCountBox));
    platform::SaveSetting(kSettingsApp, kSettingsSection, kIntervalKey,
                          runtime::NumberText(window_->Value(layout::kSpeedBar)));
    window_->Unload();
}

void Settingfrm::Command4_Click() { window_->Unload(); }

void Settingfrm::Image1_Click() { window_->OpenAddress(GLIMRA_MAKER_ADDRESS); }

}  // namespace glimra
