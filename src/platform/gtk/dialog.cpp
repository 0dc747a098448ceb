#include "platform/gtk/dialog.h"

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "platform/dialog_layout.h"
#include "platform/gtk/pictures.h"
#include "platform/scaling.h"
#include "platform/gtk/scroll_bar.h"
#include "platform/posix/text.h"

namespace glimra::gtk {

using platform::ControlKind;
using platform::ControlSpec;
using platform::DialogSpec;

namespace {

GtkWindow* loaded_window = nullptr;

constexpr const char* kWindowName = "glimra-settings";
constexpr int kScrollArrowTwips = 255;  // a scroll arrow's width: 17 pixels at 96 DPI

// The screen's DPI as GDK reports it (Xft.dpi, the figure that Pango sizes fonts by), so
// that the places and the fonts grow together.
int ScreenDpi() {
    const double resolution = gdk_screen_get_resolution(gdk_screen_get_default());
    return resolution > 0 ? static_cast<int>(std::lround(resolution)) : 96;
}

// The laid-out place of the window, kept on the work area of the monitor it is on (the
// frame that a window manager may add is not counted).
platform::PixelRect OnWorkArea(const platform::PixelRect& laid_out) {
    GdkMonitor* monitor =
        gdk_display_get_monitor_at_point(gdk_display_get_default(), laid_out.left, laid_out.top);
    if (monitor == nullptr) return laid_out;
    GdkRectangle area{};
    gdk_monitor_get_workarea(monitor, &area);
    return platform::PlacedWindow(laid_out,
                                  {area.x, area.y, area.x + area.width, area.y + area.height});
}

// The look that the table assumes, for this dialog only: the dialog's font with a CJK
// stand-in for "宋体", no theme padding that would push a control past its place, and a
// speed bar that shows its end arrows even where the theme hides them.
void ApplyStyle(int arrow_width) {
    static GtkCssProvider* provider = nullptr;
    if (!provider) {
        provider = gtk_css_provider_new();
        gtk_style_context_add_provider_for_screen(gdk_screen_get_default(),
                                                  GTK_STYLE_PROVIDER(provider),
                                                  GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    }
    const std::string arrow = std::to_string(arrow_width) + "px";
    const std::string css =
        "#glimra-settings { font-family: \"宋体\", \"SimSun\", \"WenQuanYi Zen Hei\","
        " \"Noto Sans CJK SC\"; font-size: 9pt; }\n"
        "#glimra-settings .song105 { font-size: 10.5pt; }\n"
        "#glimra-settings button { padding: 0; min-width: 0; min-height: 0; }\n"
        "#glimra-settings entry { padding-top: 0; padding-bottom: 0; min-height: 0; }\n"
        "#glimra-settings scrollbar { -GtkScrollbar-has-backward-stepper: true;"
        " -GtkScrollbar-has-forward-stepper: true; }\n"
        "#glimra-settings scrollbar button { min-width: " +
        arrow + "; min-height: " + arrow + "; }\n";
    gtk_css_provider_load_from_data(provider, css.c_str(), -1, nullptr);
}

class Dialog final : public platform::DialogWindow {
  public:
    Dialog(const DialogSpec& spec, platform::DialogEvents& events, const DialogHost& host)
        : spec_(spec), events_(events), host_(host) {}
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;
    ~Dialog() override { Unload(); }

    void Show() override {
        Load();
        if (!window_) return;
        gtk_widget_show_all(window_);
        gtk_window_present(GTK_WINDOW(window_));
    }

    std::wstring Text(int control) override {
        GtkWidget* widget = Widget(control);
        return GTK_IS_ENTRY(widget) ? posix::FromUtf8(gtk_entry_get_text(GTK_ENTRY(widget))) : L"";
    }

    void SetText(int control, std::wstring_view text) override {
        GtkWidget* widget = Widget(control);
        if (GTK_IS_ENTRY(widget))
            gtk_entry_set_text(GTK_ENTRY(widget), posix::ToUtf8(text).c_str());
    }

    void Select(int control, int start, int length) override {
        GtkWidget* widget = Widget(control);
        if (GTK_IS_EDITABLE(widget)) {
            gtk_editable_select_region(GTK_EDITABLE(widget), start, start + length);
        }
    }

    // The box keeps the selection just set: focusing it must not select everything.
    void SetFocus(int control) override {
        GtkWidget* widget = Widget(control);
        if (GTK_IS_ENTRY(widget)) {
            gtk_entry_grab_focus_without_selecting(GTK_ENTRY(widget));
        } else if (widget) {
            gtk_widget_grab_focus(widget);
        }
    }

    std::int16_t Value(int control) override {
        GtkWidget* widget = Widget(control);
        if (!GTK_IS_RANGE(widget)) return 0;
        return static_cast<std::int16_t>(std::lround(gtk_range_get_value(GTK_RANGE(widget))));
    }

    void SetValue(int control, std::int16_t value) override {
        GtkWidget* widget = Widget(control);
        if (GTK_IS_RANGE(widget)) gtk_range_set_value(GTK_RANGE(widget), value);
    }

    void OpenAddress(const char* address) override {
        g_app_info_launch_default_for_uri(address, nullptr, nullptr);
    }

    void Unload() override {
        if (!window_) return;
        GtkWidget* window = std::exchange(window_, nullptr);
        widgets_.clear();
        cursors_.clear();
        if (loaded_window == GTK_WINDOW(window)) loaded_window = nullptr;
        gtk_widget_destroy(window);
        host_.form_unloaded();
    }

  private:
    void Load();
    GtkWidget* MakeControl(const ControlSpec& control, double scale);
    GtkWidget* MakeImage(const ControlSpec& control, double scale);

    GtkWidget* Widget(int control) {
        Load();
        for (const auto& [id, widget] : widgets_) {
            if (id == control) return widget;
        }
        return nullptr;
    }

    static void OnClicked(GtkWidget* widget, gpointer self) {
        static_cast<Dialog*>(self)->events_.Control_Click(
            GPOINTER_TO_INT(g_object_get_data(G_OBJECT(widget), "id")));
    }

    static gboolean OnImageReleased(GtkWidget* widget, GdkEventButton* event, gpointer self) {
        if (event->button == GDK_BUTTON_PRIMARY) OnClicked(widget, self);
        return TRUE;
    }

    static void OnRealizedSetCursor(GtkWidget* widget, gpointer cursor) {
        gdk_window_set_cursor(gtk_widget_get_window(widget), static_cast<GdkCursor*>(cursor));
    }

    // The close box unloads the dialog, which stores nothing.
    static gboolean OnDeleteEvent(GtkWidget*, GdkEvent*, gpointer self) {
        static_cast<Dialog*>(self)->Unload();
        return TRUE;
    }

    const DialogSpec spec_;
    platform::DialogEvents& events_;
    const DialogHost host_;
    GtkWidget* window_ = nullptr;
    bool loading_ = false;
    std::vector<std::pair<int, GtkWidget*>> widgets_;
    std::vector<Ref<GdkCursor>> cursors_;  // of the controls that have one
    int arrow_width_ = 0;                  // of the scroll bar's end arrows, in pixels
};

void Dialog::Load() {
    if (window_ || loading_) return;
    loading_ = true;
    const int dpi = ScreenDpi();
    const auto px = [dpi](int twips) { return platform::TwipsToPixels(twips, dpi); };
    const double scale = dpi / 96.0;
    arrow_width_ = px(kScrollArrowTwips);
    ApplyStyle(arrow_width_);

    window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    GtkWindow* window = GTK_WINDOW(window_);
    gtk_widget_set_name(window_, kWindowName);
    gtk_window_set_title(window, posix::ToUtf8(spec_.caption).c_str());
    gtk_window_set_resizable(window, FALSE);
    gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_DIALOG);
    if (Ref<GdkPixbuf> icon = DialogIcon()) gtk_window_set_icon(window, icon.get());
    const int left = px(spec_.client_left), top = px(spec_.client_top);
    const platform::PixelRect placed =
        OnWorkArea({left, top, left + px(spec_.client_width), top + px(spec_.client_height)});
    gtk_window_move(window, placed.left, placed.top);
    g_signal_connect(window_, "delete-event", G_CALLBACK(OnDeleteEvent), this);

    GtkWidget* client = gtk_fixed_new();
    gtk_widget_set_size_request(client, px(spec_.client_width), px(spec_.client_height));
    gtk_container_add(GTK_CONTAINER(window_), client);

    // A later child of a GtkFixed lies above an earlier one, and the table lists the top
    // first: so the frames go in before what they hold, the box before its arrows.
    for (auto control = spec_.controls.rbegin(); control != spec_.controls.rend(); ++control) {
        GtkWidget* widget = MakeControl(*control, scale);
        const platform::PixelRect place = platform::ControlPixels(spec_, *control, dpi);
        gtk_widget_set_size_request(widget, place.right - place.left, place.bottom - place.top);
        gtk_fixed_put(GTK_FIXED(client), widget, place.left, place.top);
        atk_object_set_accessible_id(gtk_widget_get_accessible(widget),
                                     std::string(control->name).c_str());
        widgets_.emplace_back(control->id, widget);
    }

    // The keyboard order is the table's order, over the controls that take the focus.
    g_autoptr(GList) chain = nullptr;
    for (const ControlSpec& control : spec_.controls) {
        if (control.tab_stop) chain = g_list_append(chain, Widget(control.id));
    }
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    gtk_container_set_focus_chain(GTK_CONTAINER(client), chain);
    G_GNUC_END_IGNORE_DEPRECATIONS

    loaded_window = window;
    loading_ = false;
    host_.form_loaded();
    events_.Form_Load();
}

GtkWidget* Dialog::MakeControl(const ControlSpec& control, double scale) {
    const std::string caption = posix::ToUtf8(control.caption);
    GtkWidget* widget = nullptr;
    switch (control.kind) {
        case ControlKind::kFrame:
            // The caption sits a little in from the frame's corner, as a group box's does.
            widget = gtk_frame_new(caption.c_str());
            gtk_widget_set_margin_start(gtk_frame_get_label_widget(GTK_FRAME(widget)),
                                        static_cast<int>(std::lround(6 * scale)));
            break;
        case ControlKind::kButton:
            widget = gtk_button_new_with_label(caption.c_str());
            g_signal_connect(widget, "clicked", G_CALLBACK(OnClicked), this);
            break;
        case ControlKind::kArrowButton:
            widget = gtk_button_new();
            if (GtkWidget* arrow = PictureImage(control.picture, scale)) {
                gtk_button_set_image(GTK_BUTTON(widget), arrow);
            }
            g_signal_connect(widget, "clicked", G_CALLBACK(OnClicked), this);
            break;
        case ControlKind::kTextBox:
            widget = gtk_entry_new();
            gtk_entry_set_width_chars(GTK_ENTRY(widget), 1);  // the place sets the width
            break;
        case ControlKind::kScrollBar:
            widget = NewScrollBar(control.scroll, arrow_width_);
            break;
        case ControlKind::kLabel:
            widget = gtk_label_new(caption.c_str());
            gtk_label_set_xalign(GTK_LABEL(widget), 0);
            gtk_label_set_yalign(GTK_LABEL(widget), 0);
            break;
        case ControlKind::kImage:
            widget = MakeImage(control, scale);
            break;
    }
    g_object_set_data(G_OBJECT(widget), "id", GINT_TO_POINTER(control.id));
    if (!control.tooltip.empty()) {
        gtk_widget_set_tooltip_text(widget, posix::ToUtf8(control.tooltip).c_str());
    }
    if (!control.cursor.empty()) {
        cursors_.push_back(FileCursor(gdk_display_get_default(), control.cursor));
        g_signal_connect_after(widget, "realize", G_CALLBACK(OnRealizedSetCursor),
                               cursors_.back().get());
    }
    gtk_widget_set_can_focus(widget, control.tab_stop);
    gtk_widget_set_focus_on_click(widget, control.tab_stop);
    if (control.font == platform::ControlFont::kSong105) {
        gtk_style_context_add_class(gtk_widget_get_style_context(widget), "song105");
    }
    return widget;
}

// The logo: its picture, and a click reported when the left button comes up over it.
GtkWidget* Dialog::MakeImage(const ControlSpec& control, double scale) {
    GtkWidget* box = gtk_event_box_new();
    if (GtkWidget* logo = PictureImage(control.picture, scale)) {
        gtk_container_add(GTK_CONTAINER(box), logo);
    }
    g_signal_connect(box, "button-release-event", G_CALLBACK(OnImageReleased), this);
    return box;
}

}  // namespace

std::unique_ptr<platform::DialogWindow> NewDialog(const DialogSpec& spec,
                                                  platform::DialogEvents& events,
                                                  const DialogHost& host) {
    return std::make_unique<Dialog>(spec, events, host);
}

GtkWindow* LoadedDialogWindow() { return loaded_window; }

}  // namespace glimra::gtk
