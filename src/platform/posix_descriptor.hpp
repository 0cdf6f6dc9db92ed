// One open file descriptor, closed when its owner goes. Move-only.
#pragma once

#include <unistd.h>

#include <utility>

namespace felmo {

class FileDescriptor {
  public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() { reset(); }

    bool valid() const { return fd_ >= 0; }
    int get() const { return fd_; }
    // Gives the descriptor up without closing it.
    int release() { return std::exchange(fd_, -1); }
    void reset(int fd = -1) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }
    // Closes now and reports close()'s result (0, or -1 with errno), which matters after writing.
    int close() {
        const int fd = release();
        return fd >= 0 ? ::close(fd) : 0;
    }

  private:
    int fd_ = -1;
};

}  // namespace felmo
