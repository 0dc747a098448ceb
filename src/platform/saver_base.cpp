#include "platform/saver_base.h"

#include <algorithm>
#include <climits>
#include <utility>

#include "platform/forms.h"
#include "platform/scaling.h"

namespace glimra::platform {

namespace {

constexpr std::uint32_t kDeleteKeysym = 0xFFFF;        // XK_Delete
constexpr std::uint32_t kKeypadDeleteKeysym = 0xFF9F;  // XK_KP_Delete

}  // namespace

Span SpanOf(const std::vector<Monitor>& monitors) {
    if (monitors.empty()) return {};
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
    for (const Monitor& monitor : monitors) {
        left = std::min(left, monitor.x);
        top = std::min(top, monitor.y);
        right = std::max(right, monitor.x + monitor.width);
        bottom = std::max(bottom, monitor.y + monitor.height);
    }
    return {left, top, right - left, bottom - top};
}

bool CountsAsCharacter(std::uint32_t keysym, std::uint32_t utf32) {
    return utf32 != 0 && keysym != kDeleteKeysym && keysym != kKeypadDeleteKeysym;
}

void SaverWindowBase::Load(std::int32_t interval_ms) {
    if (loaded_) return;
    OpenWindow(interval_ms);
    loaded_ = true;
    FormLoaded();
}

void SaverWindowBase::Unload() {
    if (!loaded_) return;
    events_.Form_Unload();
    loaded_ = false;
    CloseWindow();
    FormUnloaded();
}

void SaverWindowBase::UnloadForEnd() {
    if (!loaded_) return;
    loaded_ = false;
    events_.Form_Unload();
}

void SaverWindowBase::ShowCursor(bool show) {
    cursor_count_ += show ? 1 : -1;
    if (loaded_) ShowPointer(cursor_count_ >= 0);
}

void SaverWindowBase::Clicked() {
    if (loaded_) events_.Form_Click();
}

void SaverWindowBase::KeyPressed(std::uint32_t keysym, std::uint32_t utf32) {
    if (loaded_ && CountsAsCharacter(keysym, utf32)) events_.Form_KeyPress();
}

void SaverWindowBase::PointerMoved(double x, double y) {
    if (!loaded_) return;
    events_.Form_MouseMove(static_cast<float>(x - span_.x) * twips_per_unit_,
                           static_cast<float>(y - span_.y) * twips_per_unit_);
}

void SaverWindowBase::Tick() {
    if (loaded_) events_.Timer1_Timer();
}

void SaverWindowBase::SetMonitors(std::vector<Monitor> monitors) {
    monitors_ = std::move(monitors);
    span_ = SpanOf(monitors_);
}

float SaverWindowBase::Width() const { return static_cast<float>(span_.width) * twips_per_unit_; }

float SaverWindowBase::Height() const { return static_cast<float>(span_.height) * twips_per_unit_; }

void SaverWindowBase::Cls() { ClearMonitors(); }

// The point's unit is the one it falls in (twips to units, rounded down), placed in the
// layout; on each monitor the dot is that unit's first pixel, at the monitor's own scale.
void SaverWindowBase::PSet(float x, float y, std::uint32_t colour) {
    const int unit_x = TwipsToPixelFloor(x, twips_per_unit_) + span_.x;
    const int unit_y = TwipsToPixelFloor(y, twips_per_unit_) + span_.y;
    for (std::size_t index = 0; index < monitors_.size(); ++index) {
        const Monitor& monitor = monitors_[index];
        const PixelBox box =
            DotBox((unit_x - monitor.x) * monitor.scale, (unit_y - monitor.y) * monitor.scale,
                   draw_width_ * monitor.scale);
        if (box.right > 0 && box.bottom > 0 && box.left < monitor.width * monitor.scale &&
            box.top < monitor.height * monitor.scale) {
            DrawDot(index, box, colour);
        }
    }
}

}  // namespace glimra::platform
