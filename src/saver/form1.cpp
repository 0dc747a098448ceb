#include "saver/form1.h"

#include <windowsx.h>

#include "platform/win32/screen.h"
#include "platform/win32/window_surface.h"
#include "startup/module1.h"

namespace glimra {

namespace {

constexpr UINT_PTR kTimer1 = 1;
constexpr UINT_PTR kHostWatch = 2;
constexpr UINT kHostWatchMs = 250;

// Its own DC, as the painter draws on every tick outside WM_PAINT.
const win32::FormClass kForm1Class{L"GlimraForm1",
                                   CS_OWNDC,
                                   WS_POPUP | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                                   0,
                                   L"Form1",
                                   static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))};

bool InPreview() { return Module1::inpreview != 0; }

}  // namespace

Form1::Form1() : Form(kForm1Class) {}

Form1& Form1::Instance() {
    static Form1 form;
    return form;
}

void Form1::WatchHost(HWND host) {
    host_ = host;
    SetTimer(hWnd(), kHostWatch, kHostWatchMs, nullptr);
}

void Form1::Form_Load() {
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    SetWindowPos(hWnd(), nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    SetTimer(hWnd(), kTimer1, static_cast<UINT>(static_cast<std::int32_t>(Module1::drawinterval)),
             nullptr);
}

void Form1::Form_Click() {
    if (!InPreview()) Unload();
}

void Form1::Form_KeyPress() {
    if (!InPreview()) Unload();
}

void Form1::Form_MouseMove(float x, float y) {
    if (mouse_.Move(InPreview(), x, y)) Unload();
}

void Form1::Form_Unload() { ShowCursor(TRUE); }

void Form1::Timer1_Timer() { createpoint(); }

void Form1::createpoint() {
    win32::WindowSurface surface(hWnd(), draw_width_);
    painter_.createpoint(Module1::pointlimit, surface, random_);
}

bool Form1::OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    result = 0;
    switch (message) {
        case WM_TIMER:
            if (wparam == kTimer1) Timer1_Timer();
            if (wparam == kHostWatch && !IsWindow(host_)) Unload();
            return true;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_XBUTTONDOWN:
            Form_Click();
            return true;
        case WM_CHAR:
            Form_KeyPress();
            return true;
        case WM_MOUSEMOVE: {
            const float twips = win32::TwipsPerPixel();
            Form_MouseMove(static_cast<float>(GET_X_LPARAM(lparam)) * twips,
                           static_cast<float>(GET_Y_LPARAM(lparam)) * twips);
            return true;
        }
        default:
            return false;
    }
}

}  // namespace glimra
