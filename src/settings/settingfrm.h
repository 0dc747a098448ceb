#pragma once
// The settings dialog: the point count as text with two arrow buttons, the speed as a
// scroll bar, OK and Cancel, and the maker's logo.
#include <array>
#include <memory>

#include "platform/dialog_window.h"
#include "settings/layout.h"

namespace glimra {

class Settingfrm final : public platform::DialogEvents {
  public:
    static Settingfrm& Instance();

    void Show();  // loads the dialog at its first use, then shows it modeless

  private:
    Settingfrm();
    void Form_Load() override;
    void Control_Click(int control) override;
    void CmdChange_Click(short Index);
    void Command3_Click();
    void Command4_Click();
    void Image1_Click();

    std::array<platform::ControlSpec, layout::kControls.size()> controls_;
    std::unique_ptr<platform::DialogWindow> window_;
};

}  // namespace glimra
