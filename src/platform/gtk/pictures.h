#pragma once
// The dialog's pictures, decoded by GdkPixbuf from the files the program carries: GIFs for
// the arrows and the logo, the .cur of the hand pointer and the .ico of the dialog icon.
#include <memory>
#include <span>

#include <gtk/gtk.h>

namespace glimra::gtk {

// An owned reference to a GObject.
struct Unref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T>
using Ref = std::unique_ptr<T, Unref>;

// The picture at `scale` times its size (the screen's DPI over 96), or null when the bytes
// are not a picture GdkPixbuf reads.
Ref<GdkPixbuf> DecodePicture(std::span<const unsigned char> file, double scale = 1.0);

// An image widget of the picture at `scale` times its size, drawn in the display's own
// pixels where the display scales windows (Wayland's output scale, GDK_SCALE): there it is
// decoded at that many times the size, so it stays crisp. Null when it cannot be read.
GtkWidget* PictureImage(std::span<const unsigned char> file, double scale);

// The pointer drawn by a .cur file, with its own hot spot; null when it cannot be read.
Ref<GdkCursor> FileCursor(GdkDisplay* display, std::span<const unsigned char> file);

// The dialog icon, compiled into the module from resources/dialog.ico.
Ref<GdkPixbuf> DialogIcon();

}  // namespace glimra::gtk
