#pragma once
// The dialog's pictures made ready for GDI: GIFs as bitmaps laid over the face they are
// shown on, and a .cur file as a cursor.
#include <windows.h>

#include <span>

#include "platform/win32/handles.h"

namespace glimra::win32 {

// Decodes a GIF file with the Windows Imaging Component, scales it from 96 DPI to `dpi` and
// lays it over `background`, so that its transparent pixels show that colour. The result
// is a 32-bit DIB section, or empty if the bytes do not decode. Initialises COM on the
// calling thread for the call if it is not yet.
GdiObject<HBITMAP> DecodeGif(std::span<const unsigned char> file, COLORREF background, int dpi);

// A cursor `pixels` square from the bytes of a .cur file (its first image, with its
// hot spot, which the system scales with the image); empty if it cannot be made.
Cursor MakeCursor(std::span<const unsigned char> file, int pixels);

}  // namespace glimra::win32
