#pragma once
// The surface over one output, in one of the saver's two ways to be shown: a layer surface on
// the overlay layer, anchored to every edge of its output, with the keyboard to itself; or,
// where the compositor has no layer shell, an xdg-shell toplevel made full-screen on its
// output, which has the keyboard only when the compositor gives it the focus. Either way the
// compositor gives its size; the first buffer, black, maps it.
#include "platform/wayland/canvas.h"
#include "platform/wayland/outputs.h"

namespace glimra::wayland {

class ShellSurface {
  public:
    ShellSurface(Connection& connection, Output& output, OutputOwner& owner);
    ~ShellSurface();
    ShellSurface(const ShellSurface&) = delete;
    ShellSurface& operator=(const ShellSurface&) = delete;

    wl_surface* surface() const { return surface_; }
    void Show();  // the first commit, which asks the compositor for a size
    void Hide();  // unmapped, for good
    bool mapped() const { return mapped_; }
    Canvas& canvas() { return canvas_; }
    // New buffers at the output's new scale, black; nothing before the surface is mapped.
    void Rescale(int scale);

  private:
    static void OnLayerConfigure(void* data, zwlr_layer_surface_v1* layer, std::uint32_t serial,
                                 std::uint32_t width, std::uint32_t height);
    static void OnLayerClosed(void* data, zwlr_layer_surface_v1*);
    static void OnXdgConfigure(void* data, xdg_surface* xdg, std::uint32_t serial);
    static void OnToplevelConfigure(void* data, xdg_toplevel*, std::int32_t width,
                                    std::int32_t height, wl_array*);
    static void OnToplevelClose(void* data, xdg_toplevel*);
    static const zwlr_layer_surface_v1_listener kLayerListener;
    static const xdg_surface_listener kXdgSurfaceListener;
    static const xdg_toplevel_listener kToplevelListener;
    void Sized(int width, int height);

    Output& output_;
    OutputOwner& owner_;
    wl_surface* surface_;
    zwlr_layer_surface_v1* layer_ = nullptr;
    xdg_surface* xdg_surface_ = nullptr;
    xdg_toplevel* toplevel_ = nullptr;
    Canvas canvas_;
    int width_ = 0;  // surface units
    int height_ = 0;
    int offered_width_ = 0;  // the toplevel's, until its surface's configure
    int offered_height_ = 0;
    bool mapped_ = false;
};

}  // namespace glimra::wayland
