#pragma once
// The settings dialog: the point count as text with two arrow buttons, the speed as a
// scroll bar, OK and Cancel, and the maker's logo.
#include <cstdint>
#include <string>

#include "platform/win32/form.h"
#include "platform/win32/handles.h"
#include "settings/stepping.h"

namespace glimra {

class Settingfrm final : public win32::Form {
  public:
    static Settingfrm& Instance();

  private:
    Settingfrm();
    void Form_Load() override;
    void CmdChange_Click(short Index);
    void Command3_Click();
    void Command4_Click();
    void Image1_Click();

    bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;
    bool TranslateKeys(MSG& message) override;
    void CreateControls();
    void AddLogoTooltip();
    void OnCommand(int id, int code);
    void OnScroll(int code, int thumb);
    HWND Control(int id) { return GetDlgItem(hWnd(), id); }

    std::wstring TxtNumText();
    std::int16_t HspeedValue();

    HWND focus_ = nullptr;  // where the focus goes back when the dialog is activated
    win32::GdiObject<HFONT> default_font_;
    win32::GdiObject<HFONT> song_font_;
    win32::GdiObject<HBITMAP> up_arrow_, down_arrow_, logo_;
    win32::Icon hand_cursor_;
    HICON icon_ = nullptr;  // loaded from the resources: shared, not destroyed
};

}  // namespace glimra
