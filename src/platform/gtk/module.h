#pragma once
// The GTK half of the Linux layer: the settings dialog, the statement box and the
// run-time error box. It is built as a module of its own and loaded on first need, so
// that the saver and the display mode never load GTK: a saver starts as fast as a bare
// Xlib window.
//
// lumeck links its C++ runtime in, and the module uses the system's shared one, so the two
// meet at a C boundary: plain structs, texts as UTF-32 code units with their length,
// function pointers and an opaque dialog. No C++ object, allocation or exception crosses
// it. A text the module gives back is handed to a callback for as long as it lives; every
// program handler that the dialog calls runs under the program's own guard, which ends the
// process rather than throw; the module's entry points catch nothing and throw nothing.
#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" {

struct GlimraText {
    const wchar_t* data;
    std::size_t size;
};

struct GlimraBytes {
    const unsigned char* data;
    std::size_t size;
};

// A control of the dialog's table; the enums travel as their values.
struct GlimraControl {
    const char* name;
    std::size_t name_size;
    int id, kind, container, left, top, width, height;
    GlimraText caption;
    int font;
    int tab_stop;
    GlimraBytes picture;
    int scroll_min, scroll_max, scroll_small_step, scroll_large_step;
    GlimraText tooltip;
    GlimraBytes cursor;
};

struct GlimraDialogSpec {
    GlimraText caption;
    int client_width, client_height, client_left, client_top;
    const GlimraControl* controls;
    std::size_t control_count;
};

// What the program lends a dialog: its two handlers, each run under the program's guard,
// and its count of loaded forms, which the dialog's loads and unloads (the close box's too)
// go to.
struct GlimraDialogHost {
    void* events;
    void (*form_load)(void* events);
    void (*control_click)(void* events, int control);
    void (*form_loaded)();
    void (*form_unloaded)();
};

struct GlimraDialog;

struct GlimraModule {
    // Modal, information icon, OK; returns when it is closed.
    void (*msg_box)(GlimraText text, GlimraText title);
    // Modal over the loaded dialog's window, if any; returns when it is closed.
    void (*error_box)(GlimraText heading, GlimraText description);
    // The dialog keeps the texts and bytes that `spec` points to, not `spec` itself; null
    // when it cannot be made.
    GlimraDialog* (*new_dialog)(const GlimraDialogSpec* spec, const GlimraDialogHost* host);
    void (*delete_dialog)(GlimraDialog* dialog);
    void (*show)(GlimraDialog* dialog);
    void (*text)(GlimraDialog* dialog, int control, void (*take)(void* context, GlimraText text),
                 void* context);
    void (*set_text)(GlimraDialog* dialog, int control, GlimraText text);
    void (*select)(GlimraDialog* dialog, int control, int start, int length);
    void (*set_focus)(GlimraDialog* dialog, int control);
    std::int16_t (*value)(GlimraDialog* dialog, int control);
    void (*set_value)(GlimraDialog* dialog, int control, std::int16_t value);
    void (*open_address)(GlimraDialog* dialog, const char* address);
    void (*unload)(GlimraDialog* dialog);
};

// The module's one entry point, looked up by name after dlopen; null when GTK cannot start.
typedef const GlimraModule* (*GlimraModuleEntry)();

}  // extern "C"

namespace glimra::gtk {

inline constexpr const char* kModuleEntryName = "glimra_gtk_module";
inline constexpr const char* kModuleFileName = "lumeck-gtk.so";

// Loads the module on first use, where posix::ModuleEntry finds it. When it cannot be loaded,
// error 48 is raised; when GTK finds no display, the process ends with that said on stderr.
const GlimraModule& LoadedModule();

// The run-time error box, from the module loaded as above: what the report shows after its
// line on stderr.
void ErrorBoxOfModule(std::wstring_view heading, std::wstring_view description);

}  // namespace glimra::gtk
