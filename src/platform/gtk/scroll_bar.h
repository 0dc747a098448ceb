#pragma once
// The dialog's horizontal scroll bar: its end arrows always shown, and each click on one
// moving it by the small step, repeated while the button is held; a click in the track
// moves it by the large step.
#include <gtk/gtk.h>

#include "platform/scroll_spec.h"

namespace glimra::gtk {

// `arrow` is the width of each end arrow in pixels, as the dialog's style sets it.
GtkWidget* NewScrollBar(const platform::ScrollSpec& range, int arrow);

}  // namespace glimra::gtk
