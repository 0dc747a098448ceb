#pragma once
// Lengths at the display's own DPI. The layout is in twips (1/1440 inch), which follow the
// display by themselves; pens, pictures and icons are made for 96 DPI (100 %) and scale
// with the DPI, so that they look as large as at 100 %, only sharper.
namespace glimra::platform {

inline constexpr int kDesignDpi = 96;

// Twips to whole pixels, the nearest, halves away from zero (as MulDiv rounds).
int TwipsToPixels(int twips, int dpi);
float TwipsPerPixel(int dpi);
// The pixel a length in twips falls in, counted from 0: the floor, so a dot never moves to
// the next pixel before it has reached it.
int TwipsToPixelFloor(float twips, float twips_per_pixel);

// A length of `pixels` at 96 DPI, at `dpi`: the nearest whole pixel, halves up, never
// less than 1 for a positive length (a pen of 12 is 18 at 144 DPI, a 33-pixel logo 50).
int ScaledPixels(int pixels, int dpi);

// The whole factor by which a picture of `from` pixels is first enlarged, pixel by pixel,
// on its way to `to` pixels: the least that reaches `to`. Only the last step, down to
// `to`, then mixes pixels, and only where two enlarged pixels meet.
int WholeZoom(int from, int to);

}  // namespace glimra::platform
