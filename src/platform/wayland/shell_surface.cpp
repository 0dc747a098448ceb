#include "platform/wayland/shell_surface.h"

namespace glimra::wayland {

const zwlr_layer_surface_v1_listener ShellSurface::kLayerListener{.configure = OnLayerConfigure,
                                                                  .closed = OnLayerClosed};

const xdg_surface_listener ShellSurface::kXdgSurfaceListener{.configure = OnXdgConfigure};

// Bound at version 1: the bounds and the capabilities (4 and 5) never come.
const xdg_toplevel_listener ShellSurface::kToplevelListener{.configure = OnToplevelConfigure,
                                                            .close = OnToplevelClose,
                                                            .configure_bounds = nullptr,
                                                            .wm_capabilities = nullptr};

ShellSurface::ShellSurface(Connection& connection, Output& output, OutputOwner& owner)
    : output_(output),
      owner_(owner),
      surface_(wl_compositor_create_surface(connection.compositor)),
      canvas_(connection.shm, surface_) {
    if (connection.layer_shell != nullptr) {
        layer_ =
            zwlr_layer_shell_v1_get_layer_surface(connection.layer_shell, surface_, output.output(),
                                                  ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "lumeck");
        zwlr_layer_surface_v1_add_listener(layer_, &kLayerListener, this);
        zwlr_layer_surface_v1_set_anchor(
            layer_, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                        ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
        zwlr_layer_surface_v1_set_exclusive_zone(layer_, -1);
        zwlr_layer_surface_v1_set_keyboard_interactivity(
            layer_, ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE);
        return;
    }
    xdg_surface_ = xdg_wm_base_get_xdg_surface(connection.wm_base, surface_);
    xdg_surface_add_listener(xdg_surface_, &kXdgSurfaceListener, this);
    toplevel_ = xdg_surface_get_toplevel(xdg_surface_);
    xdg_toplevel_add_listener(toplevel_, &kToplevelListener, this);
    xdg_toplevel_set_title(toplevel_, "lumeck");
    xdg_toplevel_set_app_id(toplevel_, "lumeck");
    xdg_toplevel_set_fullscreen(toplevel_, output.output());
}

ShellSurface::~ShellSurface() {
    canvas_.Release();
    if (layer_ != nullptr) zwlr_layer_surface_v1_destroy(layer_);
    if (toplevel_ != nullptr) xdg_toplevel_destroy(toplevel_);
    if (xdg_surface_ != nullptr) xdg_surface_destroy(xdg_surface_);
    wl_surface_destroy(surface_);
}

void ShellSurface::Show() { wl_surface_commit(surface_); }

void ShellSurface::Hide() {
    wl_surface_attach(surface_, nullptr, 0, 0);
    wl_surface_commit(surface_);
}

void ShellSurface::OnLayerConfigure(void* data, zwlr_layer_surface_v1* layer, std::uint32_t serial,
                                    std::uint32_t width, std::uint32_t height) {
    zwlr_layer_surface_v1_ack_configure(layer, serial);
    static_cast<ShellSurface*>(data)->Sized(static_cast<int>(width), static_cast<int>(height));
}

// Its output went, or the compositor will not show the surface any more.
void ShellSurface::OnLayerClosed(void* data, zwlr_layer_surface_v1*) {
    auto* self = static_cast<ShellSurface*>(data);
    self->owner_.SurfaceClosed(self->output_);
}

void ShellSurface::OnToplevelConfigure(void* data, xdg_toplevel*, std::int32_t width,
                                       std::int32_t height, wl_array*) {
    auto* self = static_cast<ShellSurface*>(data);
    self->offered_width_ = width;
    self->offered_height_ = height;
}

// A size of 0 leaves it to the client: the output's.
void ShellSurface::OnXdgConfigure(void* data, xdg_surface* xdg, std::uint32_t serial) {
    xdg_surface_ack_configure(xdg, serial);
    auto* self = static_cast<ShellSurface*>(data);
    const platform::Monitor& monitor = self->output_.monitor();
    self->Sized(self->offered_width_ > 0 ? self->offered_width_ : monitor.width,
                self->offered_height_ > 0 ? self->offered_height_ : monitor.height);
}

void ShellSurface::OnToplevelClose(void* data, xdg_toplevel*) {
    static_cast<ShellSurface*>(data)->owner_.CloseRequested();
}

// A configure is answered by a commit; a new size by new buffers, black.
void ShellSurface::Sized(int width, int height) {
    if (width <= 0 || height <= 0 || (mapped_ && width == width_ && height == height_)) {
        wl_surface_commit(surface_);
        return;
    }
    width_ = width;
    height_ = height;
    canvas_.Resize(width_, height_, output_.monitor().scale);
    canvas_.Present();
    if (!mapped_) {
        mapped_ = true;
        owner_.SurfaceMapped();
    }
}

void ShellSurface::Rescale(int scale) {
    if (!mapped_ || scale == canvas_.scale()) return;
    canvas_.Resize(width_, height_, scale);
    canvas_.Present();
}

}  // namespace glimra::wayland
