#pragma once
// The saver's window, Form1's window: black, borderless, no image kept (a repaint shows
// black), a timer, and the toolkit's events. One implementation per platform.
#include <cstdint>
#include <memory>
#include <optional>

#include "platform/surface.h"

namespace glimra::platform {

// What the window reports, one event at a time on the user-interface thread.
class SaverEvents {
  public:
    virtual void Form_Click() = 0;                      // any mouse button pressed
    virtual void Form_KeyPress() = 0;                   // a key that produces a character
    virtual void Form_MouseMove(float x, float y) = 0;  // window coordinates in twips
    virtual void Form_Unload() = 0;                     // the window is going, for whatever cause
    virtual void Timer1_Timer() = 0;

  protected:
    ~SaverEvents() = default;
};

// A host window's handle as the command line names it: an HWND's value on Windows
// (sign-extended from 32 bits), an X window id on X11.
using HostHandle = std::int64_t;

// How a command line writes a host window's handle: Windows passes an HWND as decimal,
// and X11 tools print window ids in hexadecimal as well. Each platform names its own.
enum class HostHandleForm { kWindows, kX11 };
extern const HostHandleForm kHostHandleForm;

class SaverWindow {
  public:
    virtual ~SaverWindow() = default;

    // Form_Load's effects: the window exists, hidden, over the primary screen at 0,0,
    // black, and its timer ticks every `interval_ms` from now on.
    virtual void Load(std::int32_t interval_ms) = 0;
    virtual bool Loaded() const = 0;
    virtual void Show() = 0;  // shows and activates it
    virtual void SetDrawWidth(int pixels) = 0;
    virtual void MakeTopmost() = 0;
    // The pointer over the saver: ShowCursor(FALSE) and ShowCursor(TRUE).
    virtual void ShowCursor(bool show) = 0;
    // Makes the window a child of `host`, at 0,0 over its whole client area, shown but
    // not activated, following the host's size; the window unloads when the host goes.
    // False, with nothing shown, when the host cannot take it: no such window, the
    // desktop, a window of this process, or a parent that does not take the window.
    virtual bool AttachToPreview(HostHandle host) = 0;
    virtual Surface& surface() = 0;  // drawing with the current pen
    virtual void Unload() = 0;       // runs Form_Unload, then destroys the window
};

// A saver window of its own, or, given `host_window`, one for a screen-saver host's display
// mode (X11), which makes no window of its own: its Load draws on the host's window itself
// (0: the root window), takes no input from it, ends the process at once when there is no
// such window, and unloads when the window goes; Show, MakeTopmost and ShowCursor leave the
// host's window alone. Platforms without such hosts are never given one.
std::unique_ptr<SaverWindow> NewSaverWindow(SaverEvents& events,
                                            std::optional<HostHandle> host_window);

}  // namespace glimra::platform
