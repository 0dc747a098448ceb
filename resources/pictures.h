#pragma once
// The pictures the dialog shows, compiled into the program as data: GIF89a files for the
// arrow buttons and the logo, and the .cur file of the logo's hand pointer. They are made
// by make_pictures.py from the pixel art in art/.
#include <span>

namespace glimra::pictures {

std::span<const unsigned char> UpArrow();     // 8 x 8, CmdChange index 0
std::span<const unsigned char> DownArrow();   // 8 x 8, CmdChange index 1
std::span<const unsigned char> Logo();        // 33 x 33, Image1
std::span<const unsigned char> HandCursor();  // 32 x 32, hot spot 6, 0

}  // namespace glimra::pictures
