#include "platform/gtk/pictures.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace glimra::gtk {

std::span<const unsigned char> DialogIconFile();  // made by the build from dialog.ico

Ref<GdkPixbuf> DecodePicture(std::span<const unsigned char> file, double scale) {
    Ref<GdkPixbufLoader> loader(gdk_pixbuf_loader_new());
    const bool read = gdk_pixbuf_loader_write(loader.get(), file.data(), file.size(), nullptr) &&
                      gdk_pixbuf_loader_close(loader.get(), nullptr);
    GdkPixbuf* picture = read ? gdk_pixbuf_loader_get_pixbuf(loader.get()) : nullptr;
    if (!picture) return nullptr;
    if (scale == 1.0) return Ref<GdkPixbuf>(GDK_PIXBUF(g_object_ref(picture)));
    const int width = static_cast<int>(std::lround(gdk_pixbuf_get_width(picture) * scale));
    const int height = static_cast<int>(std::lround(gdk_pixbuf_get_height(picture) * scale));
    return Ref<GdkPixbuf>(gdk_pixbuf_scale_simple(picture, width, height, GDK_INTERP_BILINEAR));
}

// The scale of the first monitor: the dialog opens on the one the compositor picks, and
// on X11 without GDK_SCALE every monitor has 1.
GtkWidget* PictureImage(std::span<const unsigned char> file, double scale) {
    GdkMonitor* monitor = gdk_display_get_monitor(gdk_display_get_default(), 0);
    const int device = monitor ? std::max(1, gdk_monitor_get_scale_factor(monitor)) : 1;
    Ref<GdkPixbuf> picture = DecodePicture(file, scale * device);
    if (!picture) return nullptr;
    cairo_surface_t* pixels = gdk_cairo_surface_create_from_pixbuf(picture.get(), device, nullptr);
    GtkWidget* image = gtk_image_new_from_surface(pixels);
    cairo_surface_destroy(pixels);
    return image;
}

Ref<GdkCursor> FileCursor(GdkDisplay* display, std::span<const unsigned char> file) {
    Ref<GdkPixbuf> picture = DecodePicture(file);
    if (!picture) return nullptr;
    // The ico loader hands a cursor's hot spot on as the options "x_hot" and "y_hot".
    const auto hot = [&](const char* option) {
        const char* value = gdk_pixbuf_get_option(picture.get(), option);
        return value ? std::atoi(value) : 0;
    };
    return Ref<GdkCursor>(
        gdk_cursor_new_from_pixbuf(display, picture.get(), hot("x_hot"), hot("y_hot")));
}

Ref<GdkPixbuf> DialogIcon() { return DecodePicture(DialogIconFile()); }

}  // namespace glimra::gtk
