#include "platform/x11/painter.h"

#include "platform/x11/connection.h"

namespace glimra::x11 {

namespace {

const xcb_visualtype_t* TrueColourVisual(xcb_visualid_t id) {
    for (auto depths = xcb_screen_allowed_depths_iterator(&Screen()); depths.rem > 0;
         xcb_depth_next(&depths)) {
        for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem > 0;
             xcb_visualtype_next(&visuals)) {
            if (visuals.data->visual_id == id) {
                return visuals.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR ? visuals.data : nullptr;
            }
        }
    }
    return nullptr;
}

// A colour 0xBBGGRR as a pixel of a true-colour visual.
std::uint32_t TrueColourPixel(const xcb_visualtype_t& visual, std::uint32_t colour) {
    const auto channel = [](std::uint32_t mask, std::uint32_t value) {
        if (mask == 0) return 0U;
        int shift = 0;
        while (((mask >> shift) & 1) == 0) ++shift;
        int bits = 0;
        while (shift + bits < 32 && ((mask >> (shift + bits)) & 1) != 0) ++bits;
        const std::uint32_t scaled = bits >= 8 ? value << (bits - 8) : value >> (8 - bits);
        return (scaled << shift) & mask;
    };
    return channel(visual.red_mask, colour & 0xFF) |
           channel(visual.green_mask, (colour >> 8) & 0xFF) |
           channel(visual.blue_mask, (colour >> 16) & 0xFF);
}

}  // namespace

void Painter::Open(xcb_window_t window, xcb_visualid_t visual, xcb_colormap_t colormap) {
    window_ = window;
    visual_ = TrueColourVisual(visual);
    colormap_ = colormap;
    gc_ = xcb_generate_id(Connection());
    xcb_create_gc(Connection(), gc_, window_, 0, nullptr);
}

void Painter::Close() {
    if (gc_ != XCB_NONE) xcb_free_gc(Connection(), gc_);
    gc_ = XCB_NONE;
}

void Painter::Clear(int width, int height) {
    const std::vector<std::uint32_t> painted = std::move(lent_);
    lent_.clear();
    SetForeground(PixelOf(0));
    const xcb_rectangle_t whole{0, 0, static_cast<std::uint16_t>(width),
                                static_cast<std::uint16_t>(height)};
    xcb_poly_fill_rectangle(Connection(), window_, gc_, 1, &whole);
    if (!painted.empty()) {
        xcb_free_colors(Connection(), colormap_, 0, static_cast<std::uint32_t>(painted.size()),
                        painted.data());
    }
}

// A solid disc in the square box; the server clips it to the window.
void Painter::Dot(PixelBox box, std::uint32_t colour) {
    SetForeground(PixelOf(colour));
    const auto size = static_cast<std::uint16_t>(box.right - box.left);
    const auto left = static_cast<std::int16_t>(box.left);
    const auto top = static_cast<std::int16_t>(box.top);
    if (size <= 1) {
        const xcb_point_t point{left, top};
        xcb_poly_point(Connection(), XCB_COORD_MODE_ORIGIN, window_, gc_, 1, &point);
        return;
    }
    const xcb_arc_t disc{left, top, size, size, 0, 360 * 64};
    xcb_poly_fill_arc(Connection(), window_, gc_, 1, &disc);
}

std::uint32_t Painter::PixelOf(std::uint32_t colour) {
    if (visual_ != nullptr) return TrueColourPixel(*visual_, colour);
    const auto level = [colour](int shift) {
        return static_cast<std::uint16_t>(((colour >> shift) & 0xFF) * 0x101);
    };
    const auto cell = Answer(xcb_alloc_color_reply, xcb_alloc_color(Connection(), colormap_,
                                                                    level(0), level(8), level(16)));
    if (cell == nullptr) return Screen().white_pixel;
    lent_.push_back(cell->pixel);
    return cell->pixel;
}

void Painter::SetForeground(std::uint32_t pixel) {
    xcb_change_gc(Connection(), gc_, XCB_GC_FOREGROUND, &pixel);
}

}  // namespace glimra::x11
