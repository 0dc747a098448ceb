#pragma once
// The saver window: black, borderless, one dot per tick of Timer1, and closed by a click,
// a character key or a real movement of the mouse unless it is a preview.
#include "platform/runtime/random.h"
#include "platform/win32/form.h"
#include "saver/mouse_rule.h"
#include "saver/painter.h"

namespace glimra {

class Form1 final : public win32::Form {
  public:
    static Form1& Instance();

    void SetDrawWidth(int pixels) { draw_width_ = pixels; }
    // In the preview: unload once the host's window is gone, should its destruction not
    // reach this window.
    void WatchHost(HWND host);

  private:
    Form1();
    void Form_Load() override;
    void Form_Click();
    void Form_KeyPress();
    void Form_MouseMove(float x, float y);
    void Form_Unload() override;
    void Timer1_Timer();
    void createpoint();
    bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

    int draw_width_ = 1;
    HWND host_ = nullptr;
    PointPainter painter_;
    MouseMoveRule mouse_;
    ClockRandom random_;
};

}  // namespace glimra
