#include "platform/wayland/connection.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace glimra::wayland {

namespace {

// How long the compositor has to answer the first round trip: a socket that accepts and
// never answers (a compositor stopped or hung) must not hold the saver, and its lock, for good.
constexpr std::chrono::milliseconds kFirstAnswer{2000};

Connection g_connection;
bool g_tried = false;

void OnPing(void*, xdg_wm_base* wm_base, std::uint32_t serial) {
    xdg_wm_base_pong(wm_base, serial);
}

const xdg_wm_base_listener kWmBaseListener{.ping = OnPing};

void OnGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
              std::uint32_t version) {
    auto* connection = static_cast<Connection*>(data);
    const Global global{name, version};
    const auto is = [interface](const wl_interface& known) {
        return std::strcmp(interface, known.name) == 0;
    };
    if (is(wl_compositor_interface)) {  // 4: damage in buffer pixels
        connection->compositor = Bind<wl_compositor>(registry, global, wl_compositor_interface, 4);
    } else if (is(wl_shm_interface)) {
        connection->shm = Bind<wl_shm>(registry, global, wl_shm_interface, 1);
    } else if (is(zwlr_layer_shell_v1_interface)) {
        connection->layer_shell =
            Bind<zwlr_layer_shell_v1>(registry, global, zwlr_layer_shell_v1_interface, 3);
    } else if (is(xdg_wm_base_interface)) {
        connection->wm_base = Bind<xdg_wm_base>(registry, global, xdg_wm_base_interface, 1);
        xdg_wm_base_add_listener(connection->wm_base, &kWmBaseListener, nullptr);
    } else if (is(zxdg_output_manager_v1_interface)) {  // 3: wl_output.done ends a change
        connection->output_manager =
            Bind<zxdg_output_manager_v1>(registry, global, zxdg_output_manager_v1_interface, 3);
    } else if (is(wl_output_interface) || is(wl_seat_interface)) {
        const bool output = is(wl_output_interface);
        if (connection->watcher == nullptr) {
            (output ? connection->outputs : connection->seats).push_back(global);
        } else if (output) {
            connection->watcher->OutputAdded(global);
        } else {
            connection->watcher->SeatAdded(global);
        }
    }
}

void OnGlobalRemove(void* data, wl_registry*, std::uint32_t name) {
    auto* connection = static_cast<Connection*>(data);
    const auto named = [name](const Global& global) { return global.name == name; };
    std::erase_if(connection->outputs, named);
    std::erase_if(connection->seats, named);
    if (connection->watcher != nullptr) connection->watcher->GlobalRemoved(name);
}

const wl_registry_listener kRegistryListener{.global = OnGlobal, .global_remove = OnGlobalRemove};

void OnSyncDone(void* data, wl_callback*, std::uint32_t) { *static_cast<bool*>(data) = true; }

const wl_callback_listener kSyncListener{.done = OnSyncDone};

// wl_display_roundtrip with a deadline: poll on the connection instead of blocking in it.
// False when the compositor did not answer in time or the connection failed.
bool RoundTrip(wl_display* display, std::chrono::milliseconds wait) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + wait;
    bool answered = false;
    wl_callback* sync = wl_display_sync(display);
    wl_callback_add_listener(sync, &kSyncListener, &answered);
    bool failed = false;
    while (!answered && !failed) {
        if (wl_display_prepare_read(display) != 0) {
            failed = wl_display_dispatch_pending(display) < 0;
            continue;
        }
        wl_display_flush(display);
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd watched{wl_display_get_fd(display), POLLIN, 0};
        const int ready = left.count() > 0 ? poll(&watched, 1, static_cast<int>(left.count())) : 0;
        if (ready > 0) {
            failed =
                wl_display_read_events(display) < 0 || wl_display_dispatch_pending(display) < 0;
        } else {
            wl_display_cancel_read(display);
            failed = ready == 0 || errno != EINTR;
        }
    }
    wl_callback_destroy(sync);
    return answered;
}

}  // namespace

Connection* Connect() {
    if (g_tried) return g_connection.display != nullptr ? &g_connection : nullptr;
    g_tried = true;
    const char* name = std::getenv("WAYLAND_DISPLAY");
    g_connection.display = wl_display_connect(nullptr);
    if (g_connection.display == nullptr) return nullptr;
    g_connection.registry = wl_display_get_registry(g_connection.display);
    wl_registry_add_listener(g_connection.registry, &kRegistryListener, &g_connection);
    const bool answered = RoundTrip(g_connection.display, kFirstAnswer);
    if (!answered && wl_display_get_error(g_connection.display) == 0) {
        std::fprintf(stderr, "lumeck: the Wayland compositor %s did not answer within %lld s\n",
                     name, static_cast<long long>(kFirstAnswer.count() / 1000));
    }
    const bool shell = g_connection.layer_shell != nullptr || g_connection.wm_base != nullptr;
    if (!answered || !shell || g_connection.compositor == nullptr || g_connection.shm == nullptr) {
        wl_display_disconnect(g_connection.display);
        g_connection = Connection{};
        return nullptr;
    }
    return &g_connection;
}

void Watch(Connection& connection, GlobalWatcher* watcher) {
    connection.watcher = watcher;
    if (watcher == nullptr) return;
    for (const Global& output : std::exchange(connection.outputs, {})) watcher->OutputAdded(output);
    for (const Global& seat : std::exchange(connection.seats, {})) watcher->SeatAdded(seat);
}

}  // namespace glimra::wayland
