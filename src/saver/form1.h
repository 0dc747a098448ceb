#pragma once
// The saver window: black, borderless, one dot per tick of Timer1, and closed by a click,
// a character key or a real movement of the mouse unless it is a preview.
#include <memory>

#include "runtime/random.h"
#include "platform/saver_window.h"
#include "saver/mouse_rule.h"
#include "saver/painter.h"

namespace glimra {

class Form1 final : public platform::SaverEvents {
  public:
    static Form1& Instance();

    // What start-up does with the form; each loads it first, as any use of a form does.
    void Show();
    void SetDrawWidth(int pixels);
    void MakeTopmost();
    void ShowCursor(bool show);
    // Form_Load, then the window becomes a child of the preview's host. False when the
    // host cannot take it.
    bool AttachToPreview(platform::HostHandle host);

  private:
    Form1();
    platform::SaverWindow& Loaded();  // the window, loading the form at its first use
    void Form_Load();
    void Form_Click() override;
    void Form_KeyPress() override;
    void Form_MouseMove(float x, float y) override;
    void Form_Unload() override;
    void Timer1_Timer() override;
    void createpoint();

    std::unique_ptr<platform::SaverWindow> window_;
    PointPainter painter_;
    MouseMoveRule mouse_;
    runtime::ClockRandom random_;
};

}  // namespace glimra
