#include "platform/private_folder.hpp"

#include <utility>

// The lifetime of an open folder is the same on every system; only close() differs.
namespace felmo {

OpenFolder::~OpenFolder() {
    close();
}

OpenFolder::OpenFolder(OpenFolder&& other) noexcept
    : handle_(std::exchange(other.handle_, kNoNativeHandle)),
      lock_(std::exchange(other.lock_, kNoNativeHandle)),
      path_(std::move(other.path_)) {}

OpenFolder& OpenFolder::operator=(OpenFolder&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = std::exchange(other.handle_, kNoNativeHandle);
        lock_ = std::exchange(other.lock_, kNoNativeHandle);
        path_ = std::move(other.path_);
    }
    return *this;
}

}  // namespace felmo
