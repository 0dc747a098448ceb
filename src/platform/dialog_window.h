#pragma once
// The settings dialog's window: its controls are made from a table of data that the
// program hands over (kinds, places in twips, captions, fonts, pictures), and its
// events go to the program's handlers. One implementation per platform.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "platform/scroll_spec.h"

namespace glimra::platform {

enum class ControlKind { kFrame, kButton, kArrowButton, kTextBox, kScrollBar, kLabel, kImage };
enum class ControlFont { kDefault, kSong105 };  // the dialog's font, or "宋体" at 10.5 points

// Any control of a dialog, with what it has of its own: a picture, a scroll bar's range and
// steps, a tooltip, a pointer.
struct ControlSpec {
    std::string_view name;
    int id;
    ControlKind kind;
    int container;                 // the id of the frame it sits in, or 0 for the dialog
    int left, top, width, height;  // twips, relative to the container
    std::wstring_view caption = {};
    ControlFont font = ControlFont::kDefault;
    bool tab_stop = false;
    std::span<const unsigned char> picture = {};  // GIF of an arrow button or the image
    ScrollSpec scroll = {};                       // a scroll bar's range and steps
    std::wstring_view tooltip = {};               // shown while the pointer rests on it
    std::span<const unsigned char> cursor = {};   // .cur file of the pointer over it
};

struct DialogSpec {
    std::wstring_view caption;
    int client_width, client_height;        // twips
    int client_left, client_top;            // twips from the screen's top-left corner
    std::span<const ControlSpec> controls;  // tab order, also stacking order (first on top)
};

// What the dialog reports, one event at a time on the user-interface thread. Clicks on
// controls the program does not handle are not reported.
class DialogEvents {
  public:
    virtual void Form_Load() = 0;                 // after the controls exist, before shown
    virtual void Control_Click(int control) = 0;  // a button or the image
  protected:
    ~DialogEvents() = default;
};

class DialogWindow {
  public:
    virtual ~DialogWindow() = default;
    virtual void Show() = 0;  // loads it at the first use, then shows it modeless
    virtual std::wstring Text(int control) = 0;
    virtual void SetText(int control, std::wstring_view text) = 0;
    virtual void Select(int control, int start, int length) = 0;
    virtual void SetFocus(int control) = 0;
    virtual std::int16_t Value(int control) = 0;  // the scroll bar's position
    virtual void SetValue(int control, std::int16_t value) = 0;
    // Opens a web address with the desktop's default handler; reports nothing on failure.
    virtual void OpenAddress(const char* address) = 0;
    virtual void Unload() = 0;
};

// The window holds on to `spec`: what its views and spans show must outlive the window.
std::unique_ptr<DialogWindow> NewDialogWindow(const DialogSpec& spec, DialogEvents& events);

}  // namespace glimra::platform
