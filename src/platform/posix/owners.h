#pragma once
// Owners for the C handles that GLib's g_autoptr does not cover: a file descriptor, and a
// block that its maker leaves to free() (an XCB reply).
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <utility>

namespace glimra::posix {

struct FreeDeleter {
    void operator()(void* block) const { std::free(block); }
};
template <typename T>
using Malloced = std::unique_ptr<T, FreeDeleter>;

class Fd {
  public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Fd& operator=(Fd&& other) noexcept {
        Reset(std::exchange(other.fd_, -1));
        return *this;
    }
    ~Fd() { Reset(); }

    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    void Reset(int fd = -1) {
        if (fd_ >= 0) close(fd_);
        fd_ = fd;
    }
    // Keeps the descriptor open for the life of the process.
    int Release() { return std::exchange(fd_, -1); }

  private:
    int fd_ = -1;
};

}  // namespace glimra::posix
