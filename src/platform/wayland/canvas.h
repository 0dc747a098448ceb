#pragma once
// The saver's pixels on Wayland: two shared-memory buffers. A buffer that the compositor
// still reads is not drawn on; the other one is brought up to date from the dots painted
// since the last clear, so each commit damages only the new dots.
#include <wayland-client.h>

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "platform/surface.h"

namespace glimra::wayland {

class Canvas {
  public:
    Canvas(wl_shm* shm, wl_surface* surface) : shm_(shm), surface_(surface) {}
    ~Canvas() { Release(); }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    // New black buffers of `width` x `height` surface units at `scale` pixels a unit.
    void Resize(int width, int height, int scale);
    int scale() const { return scale_; }
    void Clear();                                  // black everywhere from the next Present on
    void Dot(PixelBox box, std::uint32_t colour);  // a solid round dot, 0xBBGGRR
    // Commits a free buffer with what was drawn, if anything was since the last commit; when
    // both are with the compositor, the first one it releases is committed instead.
    void Present();
    void Release();                                        // gives the buffers back
    static void OnRelease(void* data, wl_buffer* buffer);  // the compositor is done with one

  private:
    struct Buffer {
        Canvas* owner = nullptr;
        wl_buffer* buffer = nullptr;
        std::uint32_t* pixels = nullptr;  // XRGB8888, width_ a row
        bool busy = false;
        std::uint64_t generation = 0;  // the clear it has seen
        std::size_t dots = 0;          // the dots of that clear it holds
    };
    struct PaintedDot {
        PixelBox box;
        std::uint32_t colour;
    };
    Buffer* FreeBuffer();
    void Fill(std::uint32_t* pixels, PixelBox box, std::uint32_t pixel) const;
    void FillDisc(std::uint32_t* pixels, PixelBox box, std::uint32_t colour);
    void BringUpToDate(Buffer& buffer);

    wl_shm* shm_;
    wl_surface* surface_;
    Buffer buffers_[2];
    void* memory_ = nullptr;
    std::size_t memory_size_ = 0;
    int width_ = 0;  // in pixels
    int height_ = 0;
    int scale_ = 1;
    std::uint64_t generation_ = 1;
    std::vector<PaintedDot> dots_;     // since the last clear
    std::vector<PaintedDot> cleared_;  // those the last clear took away
    std::uint64_t shown_generation_ = 0;
    std::size_t shown_dots_ = 0;
    bool waiting_ = false;                   // a Present waits for a release
    std::vector<std::pair<int, int>> disc_;  // a dot's runs: from, to, a row of its box
};

}  // namespace glimra::wayland
