#pragma once
// The dialog's pictures made ready for GDI: the arrow and logo GIFs as bitmaps laid over
// the face they are shown on, and the logo's hand pointer as a cursor.
#include <windows.h>

#include <span>

#include "platform/win32/handles.h"

namespace glimra::win32 {

// Decodes a GIF file (those of pictures.h) with the Windows Imaging Component and lays
// it over `background`, so that its transparent pixels show that colour. The result
// is a 32-bit DIB section of the picture's own size, or empty if the bytes do not decode.
// Initialises COM on the calling thread for the call if it is not yet.
GdiObject<HBITMAP> DecodeGif(std::span<const unsigned char> file, COLORREF background);

// The hand pointer of pictures::HandCursor(), 32 x 32, hot spot at the fingertip (6, 0);
// empty if it cannot be made.
Icon MakeHandCursor();

}  // namespace glimra::win32
