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

// A colour 0xBBGGRR as a pixel of the buffers' format, XRGB8888.
std::uint32_t Pixel(std::uint32_t colour) {
    return ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
}

const wl_buffer_listener kBufferListener{.release = &Canvas::OnRelease};

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

// A box of one colour, kept inside the buffer.
void Canvas::Fill(std::uint32_t* pixels, PixelBox box, std::uint32_t pixel) const {
    const int left = std::clamp(box.left, 0, width_);
    const int right = std::clamp(box.right, 0, width_);
    for (int y = std::max(box.top, 0); y < std::min(box.bottom, height_); ++y) {
        std::fill(pixels + y * width_ + left, pixels + y * width_ + right, pixel);
    }
}

// The disc inscribed in `box`: the pixels whose centres lie inside its circle (a dot of one
// or two pixels is its square), one run a row, solid in one colour. The runs are written
// here: measured, pixman cost more than the drawing itself (its trapezoids make, rasterise
// and composite a mask for every dot; even its plain fill spends about 300 instructions a
// call in dispatch, against a dozen pixels written), and the saver draws nothing else. The
// runs depend on the pen alone, so they are worked out once for each width.
void Canvas::FillDisc(std::uint32_t* pixels, PixelBox box, std::uint32_t colour) {
    const int width = box.right - box.left;
    if (width != static_cast<int>(disc_.size())) {
        const double radius = width / 2.0;
        disc_.clear();
        for (int row = 0; row < width; ++row) {
            const double from_centre = row + 0.5 - radius;
            const double half =
                std::sqrt(std::max(0.0, radius * radius - from_centre * from_centre));
            const int left = width <= 2 ? 0 : static_cast<int>(std::ceil(radius - half - 0.5));
            const int right =
                width <= 2 ? width : static_cast<int>(std::floor(radius + half - 0.5)) + 1;
            disc_.push_back({left, right});
        }
    }
    for (int row = 0; row < width; ++row) {
        const int y = box.top + row;
        Fill(pixels, {box.left + disc_[row].first, y, box.left + disc_[row].second, y + 1},
             Pixel(colour));
    }
}

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
                        reinterpret_cast<std::uint32_t*>(pixels), false,
                        generation_ + 1};  // new memory reads as zeros: black
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
        buffer = Buffer{};
    }
    if (memory_ != nullptr) munmap(memory_, memory_size_);
    memory_ = nullptr;
    waiting_ = false;
}

// The two lists trade places, so that neither allocates again after the first clear.
void Canvas::Clear() {
    ++generation_;
    cleared_.swap(dots_);
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
        for (std::size_t index = 0; index < buffer.dots; ++index) {
            Fill(buffer.pixels, cleared_[index].box, 0);
        }
    } else if (buffer.generation != generation_) {
        Fill(buffer.pixels, {0, 0, width_, height_}, 0);
    }
    if (buffer.generation != generation_) {
        buffer.generation = generation_;
        buffer.dots = 0;
    }
    for (std::size_t index = buffer.dots; index < dots_.size(); ++index) {
        FillDisc(buffer.pixels, dots_[index].box, dots_[index].colour);
    }
    buffer.dots = dots_.size();
}

// Damage tells the compositor what differs from the buffer shown before: the boxes of the
// dots painted since and, after a clear, of the dots it cleared; everything after a new size.
// An output where nothing was painted since is left alone.
void Canvas::Present() {
    if (shown_generation_ == generation_ && shown_dots_ == dots_.size()) return;  // nothing new
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
