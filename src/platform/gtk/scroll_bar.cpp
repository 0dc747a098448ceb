#include "platform/gtk/scroll_bar.h"

namespace glimra::gtk {

namespace {

// While an end arrow is held, GTK 3 scrolls smoothly by time, so a quick click moves the
// bar by a pixel's worth or nothing. Presses on the arrows are taken here instead and step.
struct Arrows {
    int width;
    GtkScrollType held = GTK_SCROLL_NONE;
    guint repeat = 0;
};

constexpr guint kFirstRepeatMs = 400, kRepeatMs = 50;

void Step(GtkWidget* bar, GtkScrollType step) {
    gboolean handled = FALSE;
    g_signal_emit_by_name(bar, "move-slider", step, &handled);
}

gboolean Repeat(gpointer bar) {
    auto* arrows = static_cast<Arrows*>(g_object_get_data(G_OBJECT(bar), "arrows"));
    Step(GTK_WIDGET(bar), arrows->held);
    arrows->repeat = g_timeout_add(kRepeatMs, Repeat, bar);
    return G_SOURCE_REMOVE;
}

void StopRepeat(Arrows* arrows) {
    if (arrows->repeat) g_source_remove(arrows->repeat);
    arrows->repeat = 0;
    arrows->held = GTK_SCROLL_NONE;
}

gboolean OnPressed(GtkWidget* bar, GdkEventButton* event, gpointer data) {
    auto* arrows = static_cast<Arrows*>(data);
    if (event->type != GDK_BUTTON_PRESS || event->button != GDK_BUTTON_PRIMARY) return FALSE;
    const int width = gtk_widget_get_allocated_width(bar);
    if (event->x < arrows->width) {
        arrows->held = GTK_SCROLL_STEP_BACKWARD;
    } else if (event->x >= width - arrows->width) {
        arrows->held = GTK_SCROLL_STEP_FORWARD;
    } else {
        return FALSE;  // the track and the thumb work as GTK makes them
    }
    gtk_widget_grab_focus(bar);
    Step(bar, arrows->held);
    arrows->repeat = g_timeout_add(kFirstRepeatMs, Repeat, bar);
    return TRUE;
}

gboolean OnReleased(GtkWidget*, GdkEventButton*, gpointer data) {
    auto* arrows = static_cast<Arrows*>(data);
    if (arrows->held == GTK_SCROLL_NONE) return FALSE;
    StopRepeat(arrows);
    return TRUE;
}

void OnDestroyed(gpointer data) {
    auto* arrows = static_cast<Arrows*>(data);
    StopRepeat(arrows);
    delete arrows;
}

}  // namespace

GtkWidget* NewScrollBar(const platform::ScrollSpec& range, int arrow) {
    GtkAdjustment* adjustment =
        gtk_adjustment_new(range.min, range.min, range.max, range.small_step, range.large_step, 0);
    GtkWidget* bar = gtk_scrollbar_new(GTK_ORIENTATION_HORIZONTAL, adjustment);
    gtk_range_set_round_digits(GTK_RANGE(bar), 0);
    auto* arrows = new Arrows{arrow};
    g_object_set_data_full(G_OBJECT(bar), "arrows", arrows, OnDestroyed);
    g_signal_connect(bar, "button-press-event", G_CALLBACK(OnPressed), arrows);
    g_signal_connect(bar, "button-release-event", G_CALLBACK(OnReleased), arrows);
    return bar;
}

}  // namespace glimra::gtk
