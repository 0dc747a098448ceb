#pragma once
// What every saver window of a display system shares, written once: the load and unload
// with the forms' count, the pointer's display count, which keys count as characters,
// positions in twips, and the surface that spans every monitor. A display system supplies
// only its own window, input and monitors, through the hooks at the end.
#include <cstdint>
#include <vector>

#include "platform/saver_window.h"
#include "platform/surface.h"

namespace glimra::platform {

// A monitor as its display system reports it: its place and size in the layout's units (X11:
// the root window's pixels; Wayland: the outputs' logical units) and how many of its own
// pixels a unit holds.
struct Monitor {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    int scale = 1;
};

// The rectangle that holds every monitor, in the layout's units; empty without monitors.
struct Span {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};
Span SpanOf(const std::vector<Monitor>& monitors);

// A key counts as a character when it produces one. Delete gives 0x7F but no character on
// Windows, so it does not count. `keysym` is the X keysym, `utf32` what the key produces.
bool CountsAsCharacter(std::uint32_t keysym, std::uint32_t utf32);

class SaverWindowBase : public SaverWindow, public Surface {
  public:
    explicit SaverWindowBase(SaverEvents& events) : events_(events) {}

    // Form_Load: the display system opens its window and starts its timer, then the form
    // counts as loaded.
    void Load(std::int32_t interval_ms) final;
    bool Loaded() const final { return loaded_; }
    void SetDrawWidth(int pixels) final { draw_width_ = pixels; }
    // ShowCursor's display count: the pointer shows while it is 0 or more.
    void ShowCursor(bool show) final;
    Surface& surface() final { return *this; }
    // Form_Unload runs first, while the window still stands; then it closes.
    void Unload() final;

    // Form1's surface: the rectangle over every monitor, in twips.
    float Width() const final;
    float Height() const final;
    void Cls() final;
    // A dot `draw_width` pixels of each monitor across, on every monitor that it touches.
    void PSet(float x, float y, std::uint32_t colour) final;

  protected:
    ~SaverWindowBase() override = default;

    // The display system's input, in the layout's units.
    void Clicked();
    void KeyPressed(std::uint32_t keysym, std::uint32_t utf32);
    void PointerMoved(double x, double y);
    void Tick();
    // The ending signals: Form_Unload runs, and nothing of the window is touched any more.
    void UnloadForEnd();

    void SetMonitors(std::vector<Monitor> monitors);
    const std::vector<Monitor>& monitors() const { return monitors_; }
    void SetTwipsPerUnit(float twips) { twips_per_unit_ = twips; }
    bool PointerHidden() const { return cursor_count_ < 0; }
    SaverEvents& events() { return events_; }

    // The hooks of a display system.
    virtual void OpenWindow(std::int32_t interval_ms) = 0;  // the window, hidden, and the timer
    virtual void CloseWindow() = 0;                         // the timer stopped, the window gone
    virtual void ShowPointer(bool show) = 0;                // called only while loaded
    virtual void ClearMonitors() = 0;                       // black everywhere
    // A solid round dot in the box, in the pixels of monitor `index`; clipped by the callee.
    virtual void DrawDot(std::size_t index, PixelBox box, std::uint32_t colour) = 0;

  private:
    SaverEvents& events_;
    bool loaded_ = false;
    int draw_width_ = 1;
    int cursor_count_ = 0;
    float twips_per_unit_ = 15;  // 1440 / 96
    std::vector<Monitor> monitors_;
    Span span_;
};

}  // namespace glimra::platform
