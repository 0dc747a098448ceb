#include "platform/wayland/connection.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace glimra::wayland {

namespace {

Connection g_connection;
bool g_tried = false;

void OnScale(void* data, wl_output* output, std::int32_t factor) {
    auto* connection = static_cast<Connection*>(data);
    for (Output& known : connection->outputs) {
        if (known.output == output) known.scale = std::max(1, factor);
    }
}
void OnGeometry(void*, wl_output*, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                std::int32_t, const char*, const char*, std::int32_t) {}
void OnMode(void*, wl_output*, std::uint32_t, std::int32_t, std::int32_t, std::int32_t) {}
void OnDone(void*, wl_output*) {}
// Bound at version 2: name and description (version 4) never come.
const wl_output_listener kOutputListener = [] {
    wl_output_listener listener{};
    listener.geometry = OnGeometry;
    listener.mode = OnMode;
    listener.done = OnDone;
    listener.scale = OnScale;
    return listener;
}();

template <typename Proxy>
Proxy* Bind(wl_registry* registry, std::uint32_t name, const wl_interface& interface,
            std::uint32_t offered, std::uint32_t wanted) {
    return static_cast<Proxy*>(
        wl_registry_bind(registry, name, &interface, std::min(offered, wanted)));
}

void OnGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
              std::uint32_t version) {
    auto* connection = static_cast<Connection*>(data);
    const auto is = [interface](const wl_interface& known) {
        return std::strcmp(interface, known.name) == 0;
    };
    if (is(wl_compositor_interface)) {  // 4: damage in buffer pixels
        connection->compositor =
            Bind<wl_compositor>(registry, name, wl_compositor_interface, version, 4);
    } else if (is(wl_shm_interface)) {
        connection->shm = Bind<wl_shm>(registry, name, wl_shm_interface, version, 1);
    } else if (is(zwlr_layer_shell_v1_interface)) {
        connection->layer_shell =
            Bind<zwlr_layer_shell_v1>(registry, name, zwlr_layer_shell_v1_interface, version, 3);
    } else if (is(wl_seat_interface) && connection->seat == 0) {
        connection->seat = name;
    } else if (is(wl_output_interface)) {  // 2: the scale
        auto* output = Bind<wl_output>(registry, name, wl_output_interface, version, 2);
        connection->outputs.push_back({output, name, 1});
        wl_output_add_listener(output, &kOutputListener, connection);
    }
}

void OnGlobalRemove(void* data, wl_registry*, std::uint32_t name) {
    auto& outputs = static_cast<Connection*>(data)->outputs;
    std::erase_if(outputs, [name](const Output& output) {
        if (output.name != name) return false;
        wl_output_destroy(output.output);
        return true;
    });
}

const wl_registry_listener kRegistryListener{OnGlobal, OnGlobalRemove};

}  // namespace

// Two round trips: the globals, then what the bound outputs say of themselves.
Connection* Connect() {
    if (g_tried) return g_connection.display != nullptr ? &g_connection : nullptr;
    g_tried = true;
    const char* name = std::getenv("WAYLAND_DISPLAY");
    if (name == nullptr || *name == '\0') return nullptr;
    g_connection.display = wl_display_connect(nullptr);
    if (g_connection.display == nullptr) return nullptr;
    g_connection.registry = wl_display_get_registry(g_connection.display);
    wl_registry_add_listener(g_connection.registry, &kRegistryListener, &g_connection);
    wl_display_roundtrip(g_connection.display);
    if (g_connection.layer_shell == nullptr || g_connection.compositor == nullptr ||
        g_connection.shm == nullptr) {
        wl_display_disconnect(g_connection.display);
        g_connection = Connection{};
        return nullptr;
    }
    wl_display_roundtrip(g_connection.display);
    return &g_connection;
}

int CommonScale(const Connection& connection) {
    if (connection.outputs.empty()) return 1;
    const int first = connection.outputs.front().scale;
    for (const Output& output : connection.outputs) {
        if (output.scale != first) return 1;
    }
    return first;
}

int ScaleOf(const Connection& connection, const wl_output* output) {
    for (const Output& known : connection.outputs) {
        if (known.output == output) return known.scale;
    }
    return 1;
}

}  // namespace glimra::wayland
