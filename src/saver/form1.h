#pragma once
// The saver window: black, borderless, one dot per tick of Timer1, and closed by a click,
// a character key or a real movement of the mouse unless it is a preview.
#include <cstdint>
#include <memory>
#include <optional>

#include "runtime/random.h"
#include "platform/saver_window.h"
#include "saver/mouse_rule.h"
#include "saver/painter.h"

namespace glimra {

// Start-up's values, which the saver reads at each use: drawinterval as the form loads,
// pointlimit at every point, inpreview at every input.
struct SaverValues {
    const std::int16_t& pointlimit;
    const std::int16_t& drawinterval;
    const std::int16_t& inpreview;
};

class Form1 final : public platform::SaverEvents {
  public:
    // A window of its own, or, in a screen-saver host's display mode, the host's window.
    Form1(const SaverValues& values, std::optional<platform::HostHandle> host_window);
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // What start-up does with the form; each loads it first, as any use of a form does.
    void Show();
    void SetDrawWidth(int pixels);
    void MakeTopmost();
    void ShowCursor(bool show);
    // Form_Load, then the window becomes a child of the preview's host. False when the
    // host cannot take it.
    bool AttachToPreview(platform::HostHandle host);

  private:
    platform::SaverWindow& Loaded();  // the window, loading the form at its first use
    void Form_Load();
    void Form_Click() override;
    void Form_KeyPress() override;
    void Form_MouseMove(float x, float y) override;
    void Form_Unload() override;
    void Timer1_Timer() override;
    void createpoint();
    bool InPreview() const;

    SaverValues values_;
    std::unique_ptr<platform::SaverWindow> window_;
    PointPainter painter_;
    MouseMoveRule mouse_;
    runtime::ClockRandom random_;
};

}  // namespace glimra
