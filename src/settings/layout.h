#pragma once
// The dialog's controls as data: names, kinds, places in twips and captions. A control in
// a frame is placed relative to the frame's top-left corner. The order of the table is the
// tab order, which is also the stacking order of the windows (first on top): the arrow
// buttons are created before the text box they overlap, and each frame after the
// controls it holds, so that frames never cover their children. The pictures are added
// where the dialog is made (settingfrm.cpp), from the program's resources.
#include <array>
#include <string_view>

#include "platform/dialog_window.h"

namespace glimra::layout {

using Control = platform::ControlSpec;
using Kind = platform::ControlKind;
using Font = platform::ControlFont;

inline constexpr int kFrame1 = 100, kCmdChangeDown = 101, kCmdChangeUp = 102, kTxtNum = 103,
                     kFrame2 = 104, kHspeed = 105, kCommand3 = 106, kCommand4 = 107, kLabel1 = 108,
                     kLabel2 = 109, kLabel3 = 110, kImage1 = 111;

// Neither arrow is a tab stop, so that the focus starts in the count itself; the arrows
// hand the focus back to the box after every click anyway.
inline constexpr std::array<Control, 12> kControls{{
    {"CmdChange(1)",
     kCmdChangeDown,
     Kind::kArrowButton,
     kFrame1,
     3360,
     450,
     255,
     180,
     L"",
     Font::kDefault,
     false,
     {}},
    {"CmdChange(0)",
     kCmdChangeUp,
     Kind::kArrowButton,
     kFrame1,
     3360,
     270,
     255,
     180,
     L"",
     Font::kDefault,
     false,
     {}},
    {"TxtNum",
     kTxtNum,
     Kind::kTextBox,
     kFrame1,
     2640,
     270,
     975,
     360,
     L"",
     Font::kSong105,
     true,
     {}},
    {"Label1",
     kLabel1,
     Kind::kLabel,
     kFrame1,
     360,
     360,
     1800,
     180,
     L"Glimra个数(10 - 200个)",
     Font::kDefault,
     false,
     {}},
    {"Frame1",
     kFrame1,
     Kind::kFrame,
     0,
     120,
     1440,
     4095,
     855,
     L"Glimra密度",
     Font::kDefault,
     false,
     {}},
    {"Hspeed",
     kHspeed,
     Kind::kScrollBar,
     kFrame2,
     120,
     600,
     3735,
     375,
     L"",
     Font::kDefault,
     true,
     {}},
    {"Label3",
     kLabel3,
     Kind::kLabel,
     kFrame2,
     120,
     240,
     210,
     210,
     L"快",
     Font::kSong105,
     false,
     {}},
    {"Label2",
     kLabel2,
     Kind::kLabel,
     kFrame2,
     3600,
     240,
     210,
     210,
     L"慢",
     Font::kSong105,
     false,
     {}},
    {"Frame2",
     kFrame2,
     Kind::kFrame,
     0,
     120,
     120,
     4095,
     1095,
     L"绘点速度",
     Font::kDefault,
     false,
     {}},
    {"Command3",
     kCommand3,
     Kind::kButton,
     0,
     4350,
     240,
     855,
     375,
     L"确定",
     Font::kDefault,
     true,
     {}},
    {"Command4",
     kCommand4,
     Kind::kButton,
     0,
     4350,
     720,
     855,
     375,
     L"取消",
     Font::kDefault,
     true,
     {}},
    {"Image1", kImage1, Kind::kImage, 0, 4560, 1680, 495, 495, L"", Font::kDefault, false, {}},
}};

inline constexpr std::wstring_view kCaption = L"配置";
inline constexpr int kClientWidth = 5295, kClientHeight = 2535;
// Where the layout put the client area's top-left corner on the screen.
inline constexpr int kClientLeft = 4995, kClientTop = 3555;

// Hspeed, in milliseconds: 100 to 2000, 50 for an end arrow, 200 for a click in the track.
inline constexpr platform::ScrollSpec kSpeedScroll{100, 2000, 50, 200};

}  // namespace glimra::layout
