#include "saver/form1.h"

namespace glimra {

Form1::Form1(const SaverValues& values, std::optional<platform::HostHandle> host_window)
    : values_(values), window_(platform::NewSaverWindow(*this, host_window)) {}

bool Form1::InPreview() const { return values_.inpreview != 0; }

platform::SaverWindow& Form1::Loaded() {
    if (!window_->Loaded()) Form_Load();
    return *window_;
}

void Form1::Show() { Loaded().Show(); }

void Form1::SetDrawWidth(int pixels) { Loaded().SetDrawWidth(pixels); }

void Form1::MakeTopmost() { Loaded().MakeTopmost(); }

void Form1::ShowCursor(bool show) { Loaded().ShowCursor(show); }

bool Form1::AttachToPreview(platform::HostHandle host) { return Loaded().AttachToPreview(host); }

// Over the primary screen at 0,0, black, and Timer1 at drawinterval, widened with its sign.
void Form1::Form_Load() { window_->Load(static_cast<std::int32_t>(values_.drawinterval)); }

void Form1::Form_Click() {
    if (!InPreview()) window_->Unload();
}

void Form1::Form_KeyPress() {
    if (!InPreview()) window_->Unload();
}

void Form1::Form_MouseMove(float x, float y) {
    if (mouse_.Move(InPreview(), x, y)) window_->Unload();
}

void Form1::Form_Unload() { window_->ShowCursor(true); }

void Form1::Timer1_Timer() { createpoint(); }

void Form1::createpoint() { painter_.createpoint(values_.pointlimit, window_->surface(), random_); }

}  // namespace glimra
