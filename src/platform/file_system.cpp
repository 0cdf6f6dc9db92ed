#include "platform/file_system.hpp"

#include <system_error>

namespace felmo {
namespace fs = std::filesystem;

bool isFolder(const fs::path& path) {
    std::error_code error;
    return fs::is_directory(nativePath(path), error);
}

bool isRegularFile(const fs::path& path) {
    std::error_code error;
    return fs::is_regular_file(nativePath(path), error);
}

std::optional<std::uintmax_t> regularFileSize(const fs::path& path) {
    std::error_code error;
    const fs::path native = nativePath(path);
    if (!fs::is_regular_file(native, error))
        return std::nullopt;
    const std::uintmax_t size = fs::file_size(native, error);
    if (error)
        return std::nullopt;
    return size;
}

bool createFolders(const fs::path& path) {
    std::error_code error;
    const fs::path native = nativePath(path);
    fs::create_directories(native, error);
    return fs::is_directory(native, error);
}

void removeFile(const fs::path& path) {
    std::error_code ignored;
    const fs::path native = nativePath(path);
    if (!fs::is_directory(fs::symlink_status(native, ignored)))
        fs::remove(native, ignored);
}

bool pathExists(const fs::path& path) {
    std::error_code error;
    return fs::exists(nativePath(path), error);
}

fs::path absolutePath(const fs::path& path) {
    std::error_code error;
    const fs::path absolute = fs::absolute(nativePath(path), error);
    return error ? path : pathFromNative(absolute);
}

fs::path absoluteNormalPath(const fs::path& path) {
    std::error_code error;
    const fs::path absolute = fs::absolute(nativePath(path), error);
    return error ? path : pathFromNative(absolute.lexically_normal());
}

}  // namespace felmo
