// The baseline of bench/saver_ratio.py on Wayland: the least a layer-shell saver can be. One
// black overlay surface over the output, two shared-memory buffers holding one fixed dot, and a
// 100 ms timer (poll on the connection) that commits the free one with the dot's box damaged,
// as the saver commits one dot a tick. Ends on SIGTERM.
#include <poll.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>
#include <wayland-client.h>

#include <csignal>
#include <cstdint>
#include <cstring>

#define namespace namespace_
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#undef namespace

namespace {

volatile std::sig_atomic_t g_stop = 0;
wl_compositor* g_compositor = nullptr;
wl_shm* g_shm = nullptr;
zwlr_layer_shell_v1* g_shell = nullptr;
int g_width = 0;
int g_height = 0;
std::uint32_t g_serial = 0;
bool g_busy[2] = {false, false};

long long NowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000LL + now.tv_nsec / 1000000;
}

void OnGlobal(void*, wl_registry* registry, std::uint32_t name, const char* interface,
              std::uint32_t) {
    if (std::strcmp(interface, wl_compositor_interface.name) == 0) {
        g_compositor = static_cast<wl_compositor*>(
            wl_registry_bind(registry, name, &wl_compositor_interface, 4));
    } else if (std::strcmp(interface, wl_shm_interface.name) == 0) {
        g_shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
    } else if (std::strcmp(interface, zwlr_layer_shell_v1_interface.name) == 0) {
        g_shell = static_cast<zwlr_layer_shell_v1*>(
            wl_registry_bind(registry, name, &zwlr_layer_shell_v1_interface, 1));
    }
}
void OnGlobalRemove(void*, wl_registry*, std::uint32_t) {}
const wl_registry_listener kRegistry{.global = OnGlobal, .global_remove = OnGlobalRemove};

void OnConfigure(void*, zwlr_layer_surface_v1* layer, std::uint32_t serial, std::uint32_t width,
                 std::uint32_t height) {
    zwlr_layer_surface_v1_ack_configure(layer, serial);
    g_serial = serial;
    g_width = static_cast<int>(width);
    g_height = static_cast<int>(height);
}
void OnClosed(void*, zwlr_layer_surface_v1*) { g_stop = 1; }
const zwlr_layer_surface_v1_listener kLayer{.configure = OnConfigure, .closed = OnClosed};

void OnRelease(void* data, wl_buffer*) { *static_cast<bool*>(data) = false; }
const wl_buffer_listener kBuffer{.release = OnRelease};

}  // namespace

int main() {
    std::signal(SIGTERM, [](int) { g_stop = 1; });
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) return 1;
    wl_registry_add_listener(wl_display_get_registry(display), &kRegistry, nullptr);
    wl_display_roundtrip(display);
    if (g_compositor == nullptr || g_shm == nullptr || g_shell == nullptr) return 1;
    wl_surface* surface = wl_compositor_create_surface(g_compositor);
    zwlr_layer_surface_v1* layer = zwlr_layer_shell_v1_get_layer_surface(
        g_shell, surface, nullptr, ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "bare");
    zwlr_layer_surface_v1_add_listener(layer, &kLayer, nullptr);
    zwlr_layer_surface_v1_set_anchor(layer, 15);
    zwlr_layer_surface_v1_set_exclusive_zone(layer, -1);
    wl_surface_commit(surface);
    while (g_serial == 0 && wl_display_dispatch(display) >= 0) {
    }
    const int stride = g_width * 4;
    const std::size_t one = static_cast<std::size_t>(stride) * static_cast<std::size_t>(g_height);
    const int fd = memfd_create("bare", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, static_cast<off_t>(2 * one)) != 0) return 1;
    auto* pixels = static_cast<std::uint32_t*>(
        mmap(nullptr, 2 * one, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0));
    std::memset(pixels, 0, 2 * one);  // black
    wl_shm_pool* pool = wl_shm_create_pool(g_shm, fd, static_cast<std::int32_t>(2 * one));
    wl_buffer* buffers[2];
    for (int index = 0; index < 2; ++index) {
        buffers[index] =
            wl_shm_pool_create_buffer(pool, static_cast<std::int32_t>(one) * index, g_width,
                                      g_height, stride, WL_SHM_FORMAT_XRGB8888);
        wl_buffer_add_listener(buffers[index], &kBuffer, &g_busy[index]);
        std::uint32_t* buffer = pixels + one / 4 * static_cast<std::size_t>(index);
        for (int y = 100; y < 112; ++y) {
            for (int x = 100; x < 112; ++x) buffer[y * g_width + x] = 0xFF8000;
        }
    }
    wl_surface_attach(surface, buffers[0], 0, 0);
    wl_surface_damage_buffer(surface, 0, 0, g_width, g_height);
    wl_surface_commit(surface);
    g_busy[0] = true;
    wl_display_flush(display);
    long long next = NowMs() + 100;
    pollfd watch{wl_display_get_fd(display), POLLIN, 0};
    while (!g_stop) {
        if (wl_display_dispatch_pending(display) < 0) return 1;
        wl_display_flush(display);
        const long long wait = next - NowMs();
        if (wait > 0) {  // a signal interrupts the poll with nothing to read
            const int ready = poll(&watch, 1, static_cast<int>(wait));
            if (ready > 0 && wl_display_dispatch(display) < 0) return 1;
            if (ready != 0) continue;
        }
        next += 100;
        const int free = g_busy[0] ? 1 : 0;
        if (g_busy[free]) continue;
        wl_surface_attach(surface, buffers[free], 0, 0);
        wl_surface_damage_buffer(surface, 100, 100, 12, 12);
        wl_surface_commit(surface);
        g_busy[free] = true;
    }
    return 0;
}
