#pragma once
// The settings dialog: the point count as text with two arrow buttons, the speed as a
// scroll bar, OK and Cancel, and the maker's logo.
#include <array>
#include <cstdint>
#include <memory>

#include "platform/dialog_window.h"
#include "settings/layout.h"

namespace glimra {

// Start-up's values that the dialog shows as it loads.
struct SettingsValues {
    const std::int16_t& pointlimit;
    const std::int16_t& drawinterval;
};

class Settingfrm final : public platform::DialogEvents {
  public:
    explicit Settingfrm(const SettingsValues& values);
    Settingfrm(const Settingfrm&) = delete;
    Settingfrm& operator=(const Settingfrm&) = delete;

    void Show();  // loads the dialog at its first use, then shows it modeless

  private:
    void Form_Load() override;
    void Control_Click(int control) override;
    void CmdChange_Click(short Index);
    void Command3_Click();
    void Command4_Click();
    void Image1_Click();

    SettingsValues values_;
    std::array<platform::ControlSpec, layout::kControls.size()> controls_;
    std::unique_ptr<platform::DialogWindow> window_;
};

}  // namespace glimra
