// Form1's window on Windows: a borderless black popup with its own DC, its timer, and the
// toolkit's events turned from window messages.
#include "platform/saver_window.h"

#include <windows.h>
#include <windowsx.h>

#include "platform/scaling.h"
#include "platform/win32/form.h"
#include "platform/win32/screen.h"
#include "platform/win32/window_surface.h"

namespace glimra::platform {

const HostHandleForm kHostHandleForm = HostHandleForm::kWindows;

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

bool OfThisProcess(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process == GetCurrentProcessId();
}

class Win32SaverWindow final : public win32::Form, public SaverWindow {
  public:
    explicit Win32SaverWindow(SaverEvents& events) : Form(kForm1Class), events_(events) {}

    void Load(std::int32_t interval_ms) override;
    bool Loaded() const override { return IsLoaded(); }
    void Show() override { ShowWindow(hWnd(), SW_SHOWNORMAL); }
    void SetDrawWidth(int pixels) override { surface_.SetDrawWidth(pixels); }
    void MakeTopmost() override {
        SetWindowPos(hWnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    }
    void ShowCursor(bool show) override { ::ShowCursor(show ? TRUE : FALSE); }
    bool AttachToPreview(HostHandle host) override;
    Surface& surface() override { return surface_; }
    void Unload() override { Destroy(); }

  private:
    void OnDestroy() override;
    bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;
    void OnTimer(UINT_PTR timer);
    void OnMouseMove(LPARAM lparam);
    void FollowHost();

    SaverEvents& events_;
    win32::WindowSurface surface_;
    HWND host_ = nullptr;
};

// Over the primary monitor in its own pixels when the process is DPI aware (full screen),
// and in the 96-DPI pixels the system shows it in otherwise.
void Win32SaverWindow::Load(std::int32_t interval_ms) {
    Create();
    surface_.Attach(hWnd());
    SetWindowPos(hWnd(), nullptr, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                 GetSystemMetrics(SM_CYSCREEN), SWP_NOZORDER | SWP_NOACTIVATE);
    SetTimer(hWnd(), kTimer1, static_cast<UINT>(interval_ms), nullptr);
}

// The window becomes a child of the host only where that can work: the host exists, is
// not a window of this process, and takes the window as its child, other than the
// desktop. The host is compared as the system resolves it, since a host may write its
// handle in a form that names the same window by another value.
bool Win32SaverWindow::AttachToPreview(HostHandle host) {
    const HWND parent = reinterpret_cast<HWND>(static_cast<INT_PTR>(host));
    if (!IsWindow(parent) || OfThisProcess(parent)) return false;
    const HWND window = hWnd();
    const LONG style = GetWindowLongA(window, GWL_STYLE);
    SetWindowLongA(window, GWL_STYLE, style | WS_CHILD);
    SetParent(window, parent);
    const HWND taken = GetAncestor(window, GA_PARENT);
    if (taken == nullptr || taken == GetDesktopWindow() || !IsChild(parent, window)) return false;
    RECT client{};
    GetClientRect(taken, &client);
    SetWindowPos(window, nullptr, 0, 0, client.right, client.bottom,
                 SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOZORDER);
    host_ = taken;
    SetTimer(window, kHostWatch, kHostWatchMs, nullptr);
    return true;
}

void Win32SaverWindow::OnDestroy() {
    events_.Form_Unload();
    surface_.Detach();
}

bool Win32SaverWindow::OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    result = 0;
    switch (message) {
        case WM_TIMER:
            OnTimer(wparam);
            return true;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_XBUTTONDOWN:
            events_.Form_Click();
            return true;
        case WM_CHAR:
            events_.Form_KeyPress();
            return true;
        case WM_MOUSEMOVE:
            OnMouseMove(lparam);
            return true;
        default:
            return false;
    }
}

void Win32SaverWindow::OnTimer(UINT_PTR timer) {
    if (timer == kTimer1) events_.Timer1_Timer();
    if (timer == kHostWatch) FollowHost();
}

void Win32SaverWindow::OnMouseMove(LPARAM lparam) {
    const float twips = platform::TwipsPerPixel(win32::WindowDpi(hWnd()));
    events_.Form_MouseMove(static_cast<float>(GET_X_LPARAM(lparam)) * twips,
                           static_cast<float>(GET_Y_LPARAM(lparam)) * twips);
}

// Should the host's destruction not reach this window, the window goes once the host has
// gone; while it lives, the window keeps to the host's client size.
void Win32SaverWindow::FollowHost() {
    if (!IsWindow(host_)) {
        Unload();
        return;
    }
    RECT client{};
    RECT own{};
    GetClientRect(host_, &client);
    GetClientRect(hWnd(), &own);
    if (client.right != own.right || client.bottom != own.bottom) {
        SetWindowPos(hWnd(), nullptr, 0, 0, client.right, client.bottom,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

}  // namespace

// Windows starts a saver with "/s" or "/p", never on a host's window of its own.
std::unique_ptr<SaverWindow> NewSaverWindow(SaverEvents& events, std::optional<HostHandle>) {
    return std::make_unique<Win32SaverWindow>(events);
}

}  // namespace glimra::platform
