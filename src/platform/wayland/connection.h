#pragma once
// The one connection to the Wayland compositor and the globals the saver binds: the
// compositor, shared memory, the layer shell, the seat and the outputs with their scale.
#include <wayland-client.h>

#include <cstdint>
#include <vector>

// The generated header names an argument "namespace", a keyword of C++.
#define namespace namespace_
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#undef namespace

namespace glimra::wayland {

struct Output {
    wl_output* output = nullptr;
    std::uint32_t name = 0;
    int scale = 1;  // wl_output.scale: buffer pixels per surface-local unit
};

struct Connection {
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_compositor* compositor = nullptr;
    wl_shm* shm = nullptr;
    zwlr_layer_shell_v1* layer_shell = nullptr;
    std::uint32_t seat = 0;  // the seat's global name, bound by whoever listens to it
    std::vector<Output> outputs;
};

// The compositor that WAYLAND_DISPLAY names, when it offers the layer shell; null, with
// nothing left open, when there is none. Connects once; later calls give the same one.
Connection* Connect();

// The scale that every output has, or 1 when they differ or there are none.
int CommonScale(const Connection& connection);
int ScaleOf(const Connection& connection, const wl_output* output);

}  // namespace glimra::wayland
