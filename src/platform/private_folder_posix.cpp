#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/posix_descriptor.hpp"
#include "platform/private_folder.hpp"

namespace felmo {
namespace {

FolderRefusal refusalOf(const struct stat& info) {
    if (S_ISLNK(info.st_mode))
        return FolderRefusal::Link;
    if (!S_ISDIR(info.st_mode))
        return FolderRefusal::NotFolder;
    if (info.st_uid != ::geteuid())
        return FolderRefusal::OtherOwner;
    if ((info.st_mode & 077) != 0)
        return FolderRefusal::OpenToOthers;
    return FolderRefusal::None;
}

// Removes every entry of the open folder `folder`; symbolic links are removed, never followed.
void removeContentsOf(int folder) {
    FileDescriptor listing{::dup(folder)};
    if (!listing.valid())
        return;
    DIR* directory = ::fdopendir(listing.get());
    if (!directory)
        return;
    listing.release();  // the directory stream owns it now
    while (const dirent* entry = ::readdir(directory)) {
        std::string_view name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        struct stat info {};
        if (::fstatat(folder, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISDIR(info.st_mode)) {
            const FileDescriptor child{
                ::openat(folder, entry->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)};
            if (child.valid())
                removeContentsOf(child.get());
            ::unlinkat(folder, entry->d_name, AT_REMOVEDIR);
        } else {
            ::unlinkat(folder, entry->d_name, 0);
        }
    }
    ::closedir(directory);
}

}  // namespace

std::string withoutTrailingSeparators(std::string path) {
    // A trailing slash would make lstat and open follow a final link.
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

int createPrivateFolder(const std::string& path) {
    if (::mkdir(withoutTrailingSeparators(path).c_str(), 0700) != 0 && errno != EEXIST)
        return errno;
    return 0;
}

std::string createUniquePrivateFolder(const std::string& parent, std::string_view prefix) {
    std::string pattern = withoutTrailingSeparators(parent) + "/" + std::string(prefix) + "XXXXXX";
    return ::mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
}

FolderRefusal privateFolderRefusal(const std::string& path, int& error) {
    struct stat info {};
    if (::lstat(withoutTrailingSeparators(path).c_str(), &info) != 0) {
        error = errno;
        return FolderRefusal::None;
    }
    error = 0;
    return refusalOf(info);
}

void OpenFolder::close() {
    if (handle_ != kNoNativeHandle)
        ::close(static_cast<int>(handle_));
    handle_ = kNoNativeHandle;
}

OpenFolder OpenFolder::open(const std::string& path, bool followLink, int& error) {
    OpenFolder folder;
    const int descriptor =
        ::open(withoutTrailingSeparators(path).c_str(),
               O_RDONLY | O_DIRECTORY | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW));
    if (descriptor < 0) {
        error = errno;
        return folder;
    }
    error = 0;
    folder.handle_ = descriptor;
    folder.path_ = path;
    return folder;
}

FolderRefusal OpenFolder::refusal() const {
    struct stat info {};
    if (::fstat(static_cast<int>(handle_), &info) != 0)
        return FolderRefusal::NotFolder;
    return refusalOf(info);
}

OpenFolder::Lock OpenFolder::tryLock(int& error) {
    if (::flock(static_cast<int>(handle_), LOCK_EX | LOCK_NB) == 0) {
        error = 0;
        return Lock::Taken;
    }
    error = errno;
    return errno == EWOULDBLOCK ? Lock::HeldByOther : Lock::Unavailable;
}

void OpenFolder::makeFolder(std::string_view name) const {
    ::mkdirat(static_cast<int>(handle_), std::string(name).c_str(), 0700);
}

void OpenFolder::removeContents() const {
    removeContentsOf(static_cast<int>(handle_));
}

void removeEmptyFolder(const std::string& path) {
    ::rmdir(withoutTrailingSeparators(path).c_str());
}

void deleteTree(const std::string& path) {
    const std::string target = withoutTrailingSeparators(path);
    struct stat info {};
    if (::lstat(target.c_str(), &info) != 0)
        return;
    if (!S_ISDIR(info.st_mode)) {
        ::unlink(target.c_str());  // a link (or a file) in place of the folder goes as itself
        return;
    }
    int error = 0;
    const OpenFolder folder = OpenFolder::open(target, /*followLink=*/false, error);
    if (folder.valid())
        folder.removeContents();
    ::rmdir(target.c_str());
}

}  // namespace felmo
