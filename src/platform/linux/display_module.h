#pragma once
// Each display system, X11 and Wayland, is a module of its own, so that a saver maps only the
// libraries of the one it shows on: a Wayland saver never loads XCB, an X11 one never
// libwayland. Both offer the same saver window through this boundary.
//
// lumeck and each module link their own C++ runtime, so they meet at a C boundary, as lumeck
// and the GTK module do: plain structs, function pointers and an opaque window. No C++ object,
// allocation or exception crosses it. Every program handler that a module calls runs under
// the program's own guard; every entry point of a module catches what its side throws and
// hands the run-time error's number to the program's report, which ends the process.
#include <cstdint>

extern "C" {

// Form1's handlers, as the window reports its events.
struct GlimraSaverEvents {
    void* form;
    void (*click)(void* form);
    void (*key_press)(void* form);
    void (*mouse_move)(void* form, float x, float y);  // twips
    void (*unload)(void* form);
    void (*timer)(void* form);
};

// The saver window as the program's loop serves it.
struct GlimraLoopClient {
    void* window;
    int (*display_fd)(void* window);
    void (*before_poll)(void* window);
    void (*after_poll)(void* window, short revents);
    void (*on_timer)(void* window);
    void (*on_ending_signal)(void* window);
};

// What the program lends a module: its count of loaded forms, its end, its run-time error
// report, and its one loop. `end` and `report_error` do not return.
struct GlimraDisplayHost {
    void (*form_loaded)();
    void (*form_unloaded)();
    void (*end)();
    void (*report_error)(int number);
    void (*on_before_error_box)(void (*release)());
    void (*start_loop)(const GlimraLoopClient* client, std::int32_t interval_ms);
    void (*stop_loop)();
};

struct GlimraSaverWindow;

// The saver window's calls, each one of the program's SaverWindow and Surface; flags travel
// as 0 or 1.
struct GlimraDisplayModule {
    // Whether the display system's server answers; the window needs it.
    int (*connect)();
    // A window for a host's display mode when `has_host`; only X11 takes one.
    GlimraSaverWindow* (*new_window)(const GlimraSaverEvents* events, int has_host,
                                     std::int64_t host);
    void (*delete_window)(GlimraSaverWindow* window);
    void (*load)(GlimraSaverWindow* window, std::int32_t interval_ms);
    int (*loaded)(GlimraSaverWindow* window);
    void (*show)(GlimraSaverWindow* window);
    void (*set_draw_width)(GlimraSaverWindow* window, int pixels);
    void (*make_topmost)(GlimraSaverWindow* window);
    void (*show_cursor)(GlimraSaverWindow* window, int show);
    int (*attach_to_preview)(GlimraSaverWindow* window, std::int64_t host);
    void (*unload)(GlimraSaverWindow* window);
    float (*width)(GlimraSaverWindow* window);
    float (*height)(GlimraSaverWindow* window);
    void (*cls)(GlimraSaverWindow* window);
    void (*pset)(GlimraSaverWindow* window, float x, float y, std::uint32_t colour);
};

// The module's one entry point, looked up by name after dlopen. The host lives as long as the
// process.
typedef const GlimraDisplayModule* (*GlimraDisplayModuleEntry)(const GlimraDisplayHost* host);

}  // extern "C"

namespace glimra::platform {

inline constexpr const char* kDisplayModuleEntryName = "glimra_display_module";
inline constexpr const char* kX11ModuleFileName = "lumeck-x11.so";
inline constexpr const char* kWaylandModuleFileName = "lumeck-wayland.so";

}  // namespace glimra::platform
