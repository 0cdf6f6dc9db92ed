#include "platform/file_system.hpp"

#include <system_error>

namespace felmo {

// POSIX paths are bytes, and the program's text is UTF-8 already.
std::filesystem::path nativePath(const std::filesystem::path& path) {
    return path;
}

std::filesystem::path pathFromNative(const std::filesystem::path& native) {
    return native;
}

std::optional<std::vector<FolderEntry>> listFolder(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::directory_iterator entries(nativePath(folder), error);
    if (error)
        return std::nullopt;
    std::vector<FolderEntry> listing;
    for (; entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        if (error)
            break;
        const std::filesystem::file_status status = entries->symlink_status(error);
        if (error) {
            error.clear();
            continue;
        }
        FolderEntry entry;
        entry.name = pathFromNative(entries->path().filename()).string();
        if (std::filesystem::is_symlink(status))
            entry.kind = FolderEntry::Kind::Link;
        else if (std::filesystem::is_regular_file(status))
            entry.kind = FolderEntry::Kind::File;
        else if (std::filesystem::is_directory(status))
            entry.kind = FolderEntry::Kind::Folder;
        listing.push_back(std::move(entry));
    }
    return listing;
}

}  // namespace felmo
