// A pointer for a headless compositor's seat, which has none of its own. Arguments: the
// layout's width and height; then reads "move X Y" and "click X Y" (layout pixels) from
// stdin and answers "ok" to each once the compositor has handled it.
#include <wayland-client.h>

#include <cstring>
#include <iostream>
#include <string>

#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

namespace {

void OnGlobal(void* manager, wl_registry* registry, std::uint32_t name, const char* interface,
              std::uint32_t) {
    if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0) {
        *static_cast<void**>(manager) =
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1);
    }
}
void OnGlobalRemove(void*, wl_registry*, std::uint32_t) {}
const wl_registry_listener kRegistryListener{.global = OnGlobal, .global_remove = OnGlobalRemove};

}  // namespace

int main(int argc, char** argv) {
    wl_display* display = wl_display_connect(nullptr);
    if (argc != 3 || display == nullptr) return 2;
    void* manager = nullptr;
    wl_registry_add_listener(wl_display_get_registry(display), &kRegistryListener, &manager);
    if (wl_display_roundtrip(display) < 0 || manager == nullptr) return 1;
    auto* pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(
        static_cast<zwlr_virtual_pointer_manager_v1*>(manager), nullptr);
    const auto width = static_cast<std::uint32_t>(std::stoul(argv[1]));
    const auto height = static_cast<std::uint32_t>(std::stoul(argv[2]));
    std::string action;
    std::uint32_t x = 0, y = 0;
    for (std::uint32_t time = 0; std::cin >> action >> x >> y; time += 10) {
        zwlr_virtual_pointer_v1_motion_absolute(pointer, time, x, y, width, height);
        zwlr_virtual_pointer_v1_frame(pointer);
        for (const auto state :
             {WL_POINTER_BUTTON_STATE_PRESSED, WL_POINTER_BUTTON_STATE_RELEASED}) {
            if (action != "click") break;
            zwlr_virtual_pointer_v1_button(pointer, time, 0x110 /* BTN_LEFT */, state);
            zwlr_virtual_pointer_v1_frame(pointer);
        }
        if (wl_display_roundtrip(display) < 0) return 1;
        std::cout << "ok" << std::endl;
    }
}
