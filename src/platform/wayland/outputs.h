#pragma once
// One output as the saver sees it: its place and size in the layout and its scale, from
// xdg-output where the compositor offers it, else from wl_output's geometry and mode; and the
// surface that covers it.
#include <cstdint>
#include <memory>

#include "platform/saver_base.h"
#include "platform/wayland/connection.h"

namespace glimra::wayland {

class Output;
class ShellSurface;

// Told what the outputs and their surfaces do. Each call is the last thing its caller does, so
// the owner may drop the output there.
class OutputOwner {
  public:
    virtual void OutputChanged(Output& output) = 0;  // a new place, size or scale
    virtual void SurfaceMapped() = 0;                // a surface showed its first buffer
    virtual void SurfaceClosed(Output& output) = 0;  // the compositor took the surface away
    virtual void CloseRequested() = 0;               // the user closed a window

  protected:
    ~OutputOwner() = default;
};

class Output {
  public:
    // Binds the output and makes its surface, hidden until ShellSurface::Show.
    Output(Connection& connection, Global global, OutputOwner& owner);
    ~Output();
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    std::uint32_t name() const { return name_; }
    wl_output* output() const { return output_; }
    bool known() const { return known_; }  // it has described itself once
    const platform::Monitor& monitor() const { return monitor_; }
    ShellSurface& surface() { return *surface_; }

  private:
    static void OnGeometry(void* data, wl_output*, std::int32_t x, std::int32_t y, std::int32_t,
                           std::int32_t, std::int32_t, const char*, const char*,
                           std::int32_t transform);
    static void OnMode(void* data, wl_output*, std::uint32_t flags, std::int32_t width,
                       std::int32_t height, std::int32_t);
    static void OnDone(void* data, wl_output*);
    static void OnScale(void* data, wl_output*, std::int32_t factor);
    static void OnLogicalPosition(void* data, zxdg_output_v1*, std::int32_t x, std::int32_t y);
    static void OnLogicalSize(void* data, zxdg_output_v1*, std::int32_t width, std::int32_t height);
    static void OnXdgDone(void* data, zxdg_output_v1*);
    static const wl_output_listener kOutputListener;
    static const zxdg_output_v1_listener kXdgOutputListener;
    void Apply();

    OutputOwner& owner_;
    std::uint32_t name_;
    wl_output* output_;
    zxdg_output_v1* xdg_output_ = nullptr;
    platform::Monitor monitor_;
    platform::Monitor geometry_;  // wl_output's: the mode's pixels
    bool turned_ = false;         // the mode's width is the output's height
    platform::Monitor logical_;   // xdg-output's, when it has given a size
    bool known_ = false;
    std::unique_ptr<ShellSurface> surface_;
};

}  // namespace glimra::wayland
