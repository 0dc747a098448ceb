#pragma once
// Small owners for Win32 handles: each releases its handle the one right way, so that no
// path through a handler can leak a DC, GDI object, icon, cursor, key or kernel handle.
// Windows are owned by their forms, which destroy them on unload or when they go.
#include <windows.h>

#include <utility>

namespace glimra::win32 {

template <typename Handle, typename Traits>
class Owned {
  public:
    Owned() = default;
    explicit Owned(Handle handle) : handle_(handle) {}
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    Owned(Owned&& other) noexcept : handle_(std::exchange(other.handle_, Handle{})) {}
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) Reset(std::exchange(other.handle_, Handle{}));
        return *this;
    }
    ~Owned() { Reset(); }

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Handle{}; }
    void Reset(Handle handle = Handle{}) {
        if (handle_ != Handle{}) Traits::Close(handle_);
        handle_ = handle;
    }
    // For a call that hands the handle back through an out-parameter: the old one is
    // released first.
    Handle* Put() {
        Reset();
        return &handle_;
    }

  private:
    Handle handle_{};
};

struct GdiObjectTraits {
    static void Close(HGDIOBJ object) { DeleteObject(object); }
};
struct KeyTraits {
    static void Close(HKEY key) { RegCloseKey(key); }
};
struct KernelTraits {
    static void Close(HANDLE handle) { CloseHandle(handle); }
};
struct IconTraits {
    static void Close(HICON icon) { DestroyIcon(icon); }
};
struct CursorTraits {
    static void Close(HCURSOR cursor) { DestroyCursor(cursor); }
};

template <typename T>
using GdiObject = Owned<T, GdiObjectTraits>;  // HBRUSH, HBITMAP, HFONT, HPEN
using RegKey = Owned<HKEY, KeyTraits>;
using KernelHandle = Owned<HANDLE, KernelTraits>;
using Icon = Owned<HICON, IconTraits>;        // icons made at run time
using Cursor = Owned<HCURSOR, CursorTraits>;  // cursors made at run time

// A DC from GetDC, released to its window; a null window gives the screen's DC.
class WindowDC {
  public:
    explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    ~WindowDC() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    HDC get() const { return dc_; }

  private:
    HWND window_;
    HDC dc_;
};

// An object selected into a DC for one scope; the previous one goes back at the end.
class Selection {
  public:
    Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;
    ~Selection() { SelectObject(dc_, previous_); }

  private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace glimra::win32
