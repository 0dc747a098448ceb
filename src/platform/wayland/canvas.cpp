#include "platform/wayland/canvas.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/posix/owners.h"
#include "runtime/runtime_error.h"

namespace glimra::wayland {

namespace {

pixman_color_t Colour(std::uint32_t colour) {
    const auto channel = [colour](int shift) {
        return static_cast<std::uint16_t>(((colour >> shift) & 0xFF) * 0x101);
    };
    return {channel(0), channel(8), channel(16), 0xFFFF};
}

// A box kept inside the image, for fills that pixman does not clip themselves.
pixman_box32_t Inside(pixman_image_t* image, PixelBox box) {
    const int width = pixman_image_get_width(image);
    const int height = pixman_image_get_height(image);
    return {std::clamp(box.left, 0, width), std::clamp(box.top, 0, height),
            std::clamp(box.right, 0, width), std::clamp(box.bottom, 0, height)};
}

pixman_fixed_t Fixed(double value) { return pixman_double_to_fixed(value); }

// The disc inscribed in `box`, as horizontal slabs two to a pixel row whose sides follow
// the circle; pixman fills them without anti-aliasing (a one-bit mask), so the dot is
// solid, in one colour, as on the other systems.
void FillDisc(pixman_image_t* image, PixelBox box, std::uint32_t colour) {
    const pixman_color_t fill = Colour(colour);
    const int width = box.right - box.left;
    if (width <= 2) {
        const pixman_box32_t square = Inside(image, box);
        pixman_image_fill_boxes(PIXMAN_OP_SRC, image, &fill, 1, &square);
        return;
    }
    const double radius = width / 2.0;
    const double centre_x = box.left + radius;
    const double centre_y = box.top + radius;
    const auto half_width = [&](double y) {
        const double from_centre = y - centre_y;
        return std::sqrt(std::max(0.0, radius * radius - from_centre * from_centre));
    };
    std::vector<pixman_trapezoid_t> slabs;
    for (int step = 0; step < 2 * width; ++step) {
        const double top = box.top + step / 2.0;
        const double bottom = top + 0.5;
        const double top_half = half_width(top);
        const double bottom_half = half_width(bottom);
        slabs.push_back({Fixed(top),
                         Fixed(bottom),
                         {{Fixed(centre_x - top_half), Fixed(top)},
                          {Fixed(centre_x - bottom_half), Fixed(bottom)}},
                         {{Fixed(centre_x + top_half), Fixed(top)},
                          {Fixed(centre_x + bottom_half), Fixed(bottom)}}});
    }
    pixman_image_t* source = pixman_image_create_solid_fill(&fill);
    pixman_composite_trapezoids(PIXMAN_OP_OVER, source, image, PIXMAN_a1, 0, 0, 0, 0,
                                static_cast<int>(slabs.size()), slabs.data());
    pixman_image_unref(source);
}

void FillBlack(pixman_image_t* image, PixelBox box) {
    const pixman_color_t black{0, 0, 0, 0xFFFF};
    const pixman_box32_t pixels = Inside(image, box);
    pixman_image_fill_boxes(PIXMAN_OP_SRC, image, &black, 1, &pixels);
}

const wl_buffer_listener kBufferListener{&Canvas::OnRelease};

// In buffer pixels where the compositor takes them (wl_surface 4), else in surface units.
void Damage(wl_surface* surface, PixelBox box, int scale) {
    if (wl_proxy_get_version(reinterpret_cast<wl_proxy*>(surface)) >= 4) {
        wl_surface_damage_buffer(surface, box.left, box.top, box.right - box.left,
                                 box.bottom - box.top);
        return;
    }
    const int left = box.left / scale;
    const int top = box.top / scale;
    wl_surface_damage(surface, left, top, (box.right + scale - 1) / scale - left,
                      (box.bottom + scale - 1) / scale - top);
}

}  // namespace

void Canvas::Resize(int width, int height, int scale) {
    Release();
    width_ = width * scale;
    height_ = height * scale;
    scale_ = scale;
    const int stride = width_ * 4;
    const std::size_t one = static_cast<std::size_t>(stride) * static_cast<std::size_t>(height_);
    memory_size_ = 2 * one;
    const posix::Fd fd(memfd_create("lumeck", MFD_CLOEXEC));
    if (!fd || ftruncate(fd.get(), static_cast<off_t>(memory_size_)) != 0) {
        runtime::Raise(runtime::kErrOutOfMemory);
    }
    memory_ = mmap(nullptr, memory_size_, PROT_READ | PROT_WRITE, MAP_SHARED, fd.get(), 0);
    if (memory_ == MAP_FAILED) {
        memory_ = nullptr;
        runtime::Raise(runtime::kErrOutOfMemory);
    }
    wl_shm_pool* pool = wl_shm_create_pool(shm_, fd.get(), static_cast<std::int32_t>(memory_size_));
    for (int index = 0; index < 2; ++index) {
        Buffer& buffer = buffers_[index];
        auto* pixels = static_cast<std::uint8_t*>(memory_) + one * static_cast<std::size_t>(index);
        buffer = Buffer{this,
                        wl_shm_pool_create_buffer(pool, static_cast<std::int32_t>(one) * index,
                                                  width_, height_, stride, WL_SHM_FORMAT_XRGB8888),
                        pixman_image_create_bits(PIXMAN_x8r8g8b8, width_, height_,
                                                 reinterpret_cast<std::uint32_t*>(pixels), stride),
                        false, generation_ + 1};  // new memory reads as zeros: black
        wl_buffer_add_listener(buffer.buffer, &kBufferListener, &buffer);
    }
    wl_shm_pool_destroy(pool);
    wl_surface_set_buffer_scale(surface_, scale);
    ++generation_;  // nothing drawn on the new buffers yet
    dots_.clear();
    cleared_.clear();
    shown_generation_ = 0;
}

void Canvas::Release() {
    for (Buffer& buffer : buffers_) {
        if (buffer.buffer != nullptr) wl_buffer_destroy(buffer.buffer);
        if (buffer.image != nullptr) pixman_image_unref(buffer.image);
        buffer = Buffer{};
    }
    if (memory_ != nullptr) munmap(memory_, memory_size_);
    memory_ = nullptr;
    waiting_ = false;
}

void Canvas::Clear() {
    ++generation_;
    cleared_ = std::move(dots_);
    dots_.clear();
}

void Canvas::Dot(PixelBox box, std::uint32_t colour) { dots_.push_back({box, colour}); }

Canvas::Buffer* Canvas::FreeBuffer() {
    Buffer* best = nullptr;
    for (Buffer& buffer : buffers_) {
        if (buffer.buffer == nullptr || buffer.busy) continue;
        const bool fresher =
            best == nullptr || (buffer.generation == generation_ &&
                                (best->generation != generation_ || buffer.dots > best->dots));
        if (fresher) best = &buffer;
    }
    return best;
}

// A buffer one clear behind has only the dots before it to clear: their boxes are filled
// black, as a full fill would leave them, and the rest of the buffer is never touched.
void Canvas::BringUpToDate(Buffer& buffer) {
    if (buffer.generation + 1 == generation_) {
        for (std::size_t index = 0; index < buffer.dots; ++index)
            FillBlack(buffer.image, cleared_[index].box);
    } else if (buffer.generation != generation_) {
        FillBlack(buffer.image, {0, 0, width_, height_});
    }
    if (buffer.generation != generation_) {
        buffer.generation = generation_;
        buffer.dots = 0;
    }
    for (std::size_t index = buffer.dots; index < dots_.size(); ++index) {
        FillDisc(buffer.image, dots_[index].box, dots_[index].colour);
    }
    buffer.dots = dots_.size();
}

// Damage tells the compositor what differs from the buffer shown before: the boxes of the
// dots painted since and, after a clear, of the dots it cleared; everything after a new size.
void Canvas::Present() {
    Buffer* buffer = FreeBuffer();
    if (buffer == nullptr) {
        waiting_ = true;
        return;
    }
    waiting_ = false;
    BringUpToDate(*buffer);
    wl_surface_attach(surface_, buffer->buffer, 0, 0);
    if (shown_generation_ + 1 == generation_) {
        for (std::size_t index = 0; index < shown_dots_; ++index) {
            Damage(surface_, cleared_[index].box, scale_);
        }
    } else if (shown_generation_ != generation_) {
        Damage(surface_, {0, 0, width_, height_}, scale_);
    }
    const std::size_t first = shown_generation_ == generation_ ? shown_dots_ : 0;
    for (std::size_t index = first; index < dots_.size(); ++index) {
        Damage(surface_, dots_[index].box, scale_);
    }
    wl_surface_commit(surface_);
    buffer->busy = true;
    shown_generation_ = generation_;
    shown_dots_ = dots_.size();
}

void Canvas::OnRelease(void* data, wl_buffer*) {
    auto* buffer = static_cast<Buffer*>(data);
    buffer->busy = false;
    if (buffer->owner->waiting_) buffer->owner->Present();
}

}  // namespace glimra::wayland
