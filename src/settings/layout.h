#pragma once
// The dialog's controls as data: names, kinds, places in twips and captions. A control in
// a frame is placed relative to the frame's top-left corner. The order of the table is the
// tab order, which is also the stacking order of the windows (first on top): the arrow
// buttons are created before the text box they overlap, and each frame after the
// controls it holds, so that frames never cover their children. The pictures are added
// where the dialog is made (settingfrm.cpp), from the program's resources, with the logo's
// tooltip and pointer.
#include <array>
#include <string_view>

#include "platform/dialog_window.h"

namespace glimra::layout {

using Control = platform::ControlSpec;
using Kind = platform::ControlKind;
using Font = platform::ControlFont;

inline constexpr int kCountFrame = 100, kDownArrow = 101, kUpArrow = 102, kCountBox = 103,
                     kSpeedFrame = 104, kSpeedBar = 105, kOk = 106, kCancel = 107,
                     kCountLabel = 108, kSlowLabel = 109, kFastLabel = 110, kLogo = 111;

// Hspeed, in milliseconds: 100 to 2000, 50 for an end arrow, 200 for a click in the track.
inline constexpr platform::ScrollSpec kSpeedScroll{100, 2000, 50, 200};

// Neither arrow is a tab stop, so that the focus starts in the count itself; the arrows
// hand the focus back to the box after every click anyway.
// clang-format off
inline constexpr std::array<Control, 12> kControls{{
    {.name = "CmdChange(1)", .id = kDownArrow, .kind = Kind::kArrowButton, .container = kCountFrame,
     .left = 3360, .top = 450, .width = 255, .height = 180},
    {.name = "CmdChange(0)", .id = kUpArrow, .kind = Kind::kArrowButton, .container = kCountFrame,
     .left = 3360, .top = 270, .width = 255, .height = 180},
    {.name = "TxtNum", .id = kCountBox, .kind = Kind::kTextBox, .container = kCountFrame,
     .left = 2640, .top = 270, .width = 975, .height = 360,
     .font = Font::kSong105, .tab_stop = true},
    {.name = "Label1", .id = kCountLabel, .kind = Kind::kLabel, .container = kCountFrame,
     .left = 360, .top = 360, .width = 1800, .height = 180, .caption = L"Glimra个数(10 - 200个)"},
    {.name = "Frame1", .id = kCountFrame, .kind = Kind::kFrame, .container = 0,
     .left = 120, .top = 1440, .width = 4095, .height = 855, .caption = L"Glimra密度"},
    {.name = "Hspeed", .id = kSpeedBar, .kind = Kind::kScrollBar, .container = kSpeedFrame,
     .left = 120, .top = 600, .width = 3735, .height = 375, .tab_stop = true,
     .scroll = kSpeedScroll},
    {.name = "Label3", .id = kFastLabel, .kind = Kind::kLabel, .container = kSpeedFrame,
     .left = 120, .top = 240, .width = 210, .height = 210,
     .caption = L"快", .font = Font::kSong105},
    {.name = "Label2", .id = kSlowLabel, .kind = Kind::kLabel, .container = kSpeedFrame,
     .left = 3600, .top = 240, .width = 210, .height = 210,
     .caption = L"慢", .font = Font::kSong105},
    {.name = "Frame2", .id = kSpeedFrame, .kind = Kind::kFrame, .container = 0,
     .left = 120, .top = 120, .width = 4095, .height = 1095, .caption = L"绘点速度"},
    {.name = "Command3", .id = kOk, .kind = Kind::kButton, .container = 0,
     .left = 4350, .top = 240, .width = 855, .height = 375, .caption = L"确定", .tab_stop = true},
    {.name = "Command4", .id = kCancel, .kind = Kind::kButton, .container = 0,
     .left = 4350, .top = 720, .width = 855, .height = 375, .caption = L"取消", .tab_stop = true},
    {.name = "Image1", .id = kLogo, .kind = Kind::kImage, .container = 0,
     .left = 4560, .top = 1680, .width = 495, .height = 495},
}};
// clang-format on

inline constexpr std::wstring_view kCaption = L"配置";
inline constexpr int kClientWidth = 5295, kClientHeight = 2535;
// Where the layout put the client area's top-left corner on the screen.
inline constexpr int kClientLeft = 4995, kClientTop = 3555;

}  // namespace glimra::layout
