#pragma once
// The one connection to the Wayland compositor: the globals the saver binds once (the
// compositor, shared memory, the shell that shows it, xdg-output), and the outputs and seats,
// which come and go while it runs, handed to whoever watches them.
#include <wayland-client.h>

#include <algorithm>
#include <cstdint>
#include <vector>

// The generated header names an argument "namespace", a keyword of C++.
#define namespace namespace_
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#undef namespace
#include "xdg-output-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace glimra::wayland {

struct Global {
    std::uint32_t name = 0;
    std::uint32_t version = 0;  // as offered
};

// Told of each output and seat as the compositor offers it, and of each global it takes away.
class GlobalWatcher {
  public:
    virtual void OutputAdded(Global output) = 0;
    virtual void SeatAdded(Global seat) = 0;
    virtual void GlobalRemoved(std::uint32_t name) = 0;

  protected:
    ~GlobalWatcher() = default;
};

struct Connection {
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_compositor* compositor = nullptr;
    wl_shm* shm = nullptr;
    zwlr_layer_shell_v1* layer_shell = nullptr;        // the first way to show the saver
    xdg_wm_base* wm_base = nullptr;                    // the second, where there is no layer shell
    zxdg_output_manager_v1* output_manager = nullptr;  // the outputs' logical places, if offered
    std::vector<Global> outputs;                       // offered while no one watched
    std::vector<Global> seats;
    GlobalWatcher* watcher = nullptr;
};

// The compositor that WAYLAND_DISPLAY names (the program loads this module only when it names
// one), when it answers within a bound and offers a shell to show the saver with; null, with
// nothing left open, otherwise. Connects once; later calls give the same one.
Connection* Connect();

// Binds a global at the version wanted, or the one offered if that is older.
template <typename Proxy>
Proxy* Bind(wl_registry* registry, Global global, const wl_interface& interface,
            std::uint32_t wanted) {
    return static_cast<Proxy*>(
        wl_registry_bind(registry, global.name, &interface, std::min(global.version, wanted)));
}

// Gives a proxy back: by its release request where its version has one, else destroyed.
template <typename Proxy>
void Release(Proxy*& proxy, std::uint32_t since, void (*release)(Proxy*), void (*destroy)(Proxy*)) {
    if (proxy == nullptr) return;
    (wl_proxy_get_version(reinterpret_cast<wl_proxy*>(proxy)) >= since ? release : destroy)(proxy);
    proxy = nullptr;
}

// From now on `watcher` is told of the outputs and seats, first of those offered so far; null
// stops it.
void Watch(Connection& connection, GlobalWatcher* watcher);

}  // namespace glimra::wayland
