#include "platform/wayland/outputs.h"

#include <algorithm>

#include "platform/wayland/shell_surface.h"

namespace glimra::wayland {

// Bound at version 3 (release): name and description (version 4) never come.
const wl_output_listener Output::kOutputListener{.geometry = OnGeometry,
                                                 .mode = OnMode,
                                                 .done = OnDone,
                                                 .scale = OnScale,
                                                 .name = nullptr,
                                                 .description = nullptr};

// Bound at version 3 or less: from 3 on, wl_output.done ends a change; name and description
// say nothing the saver uses, and the listener may leave them out.
const zxdg_output_v1_listener Output::kXdgOutputListener{
    .logical_position = OnLogicalPosition,
    .logical_size = OnLogicalSize,
    .done = OnXdgDone,
    .name = [](void*, zxdg_output_v1*, const char*) {},
    .description = [](void*, zxdg_output_v1*, const char*) {}};

Output::Output(Connection& connection, Global global, OutputOwner& owner)
    : owner_(owner),
      name_(global.name),
      output_(Bind<wl_output>(connection.registry, global, wl_output_interface, 3)) {
    wl_output_add_listener(output_, &kOutputListener, this);
    if (connection.output_manager != nullptr) {
        xdg_output_ = zxdg_output_manager_v1_get_xdg_output(connection.output_manager, output_);
        zxdg_output_v1_add_listener(xdg_output_, &kXdgOutputListener, this);
    }
    surface_ = std::make_unique<ShellSurface>(connection, *this, owner);
}

Output::~Output() {
    surface_.reset();
    if (xdg_output_ != nullptr) zxdg_output_v1_destroy(xdg_output_);
    Release(output_, WL_OUTPUT_RELEASE_SINCE_VERSION, wl_output_release, wl_output_destroy);
}

void Output::OnGeometry(void* data, wl_output*, std::int32_t x, std::int32_t y, std::int32_t,
                        std::int32_t, std::int32_t, const char*, const char*,
                        std::int32_t transform) {
    auto* self = static_cast<Output*>(data);
    self->geometry_.x = x;
    self->geometry_.y = y;
    self->turned_ = (transform & 1) != 0;  // by 90 or 270 degrees
}

void Output::OnMode(void* data, wl_output*, std::uint32_t flags, std::int32_t width,
                    std::int32_t height, std::int32_t) {
    if ((flags & WL_OUTPUT_MODE_CURRENT) == 0) return;
    auto* self = static_cast<Output*>(data);
    self->geometry_.width = width;
    self->geometry_.height = height;
}

void Output::OnScale(void* data, wl_output*, std::int32_t factor) {
    static_cast<Output*>(data)->geometry_.scale = std::max(1, factor);
}

void Output::OnLogicalPosition(void* data, zxdg_output_v1*, std::int32_t x, std::int32_t y) {
    auto* self = static_cast<Output*>(data);
    self->logical_.x = x;
    self->logical_.y = y;
}

void Output::OnLogicalSize(void* data, zxdg_output_v1*, std::int32_t width, std::int32_t height) {
    auto* self = static_cast<Output*>(data);
    self->logical_.width = width;
    self->logical_.height = height;
}

void Output::OnDone(void* data, wl_output*) { static_cast<Output*>(data)->Apply(); }

void Output::OnXdgDone(void* data, zxdg_output_v1*) { static_cast<Output*>(data)->Apply(); }

// The place and size in the layout's logical units; without xdg-output, the mode's pixels
// over the scale.
void Output::Apply() {
    const int scale = geometry_.scale;
    const int width = turned_ ? geometry_.height : geometry_.width;
    const int height = turned_ ? geometry_.width : geometry_.height;
    monitor_ =
        logical_.width > 0
            ? platform::Monitor{logical_.x, logical_.y, logical_.width, logical_.height, scale}
            : platform::Monitor{geometry_.x, geometry_.y, width / scale, height / scale, scale};
    known_ = true;
    surface_->Rescale(scale);
    owner_.OutputChanged(*this);
}

}  // namespace glimra::wayland
