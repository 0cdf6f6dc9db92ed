#include "workspace/work_tree.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "base/display_text.hpp"
#include "base/error.hpp"
#include "base/file_io.hpp"
#include "base/translation.hpp"
#include "workspace/paths.hpp"
#include "workspace/slot_table.hpp"

namespace felmo {
namespace {

// Without its trailing slashes: a trailing slash would make lstat and open follow a final link.
std::string withoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

[[noreturn]] void refuseWorkDir(const std::string& workDir, const char* reason) {
    throw Error(formatMessage(_("Рабочая папка %1 не может быть использована: %2."), workDir,
                              translate(reason)));
}

void checkPrivateFolder(const std::string& workDir, const struct stat& info) {
    if (S_ISLNK(info.st_mode))
        refuseWorkDir(workDir, N_("это символическая ссылка"));
    if (!S_ISDIR(info.st_mode))
        refuseWorkDir(workDir, N_("это не папка"));
    if (info.st_uid != ::geteuid())
        refuseWorkDir(workDir, N_("она принадлежит другому пользователю"));
    if ((info.st_mode & 077) != 0)
        refuseWorkDir(workDir, N_("она открыта для других пользователей"));
}

// Removes every entry of the open folder `folder`; symbolic links are removed, never followed.
void removeContents(int folder) {
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
                removeContents(child.get());
            ::unlinkat(folder, entry->d_name, AT_REMOVEDIR);
        } else {
            ::unlinkat(folder, entry->d_name, 0);
        }
    }
    ::closedir(directory);
}

FileDescriptor openFolderNoFollow(const std::string& path) {
    return FileDescriptor{::open(withoutTrailingSlash(path).c_str(),
                                 O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)};
}

void emptyFolder(const std::string& path) {
    const FileDescriptor folder = openFolderNoFollow(path);
    if (folder.valid())
        removeContents(folder.get());
}

}  // namespace

std::string_view alreadyRunningMessage() {
    return _("Программа FELMO уже запущена.");
}

void prepareWorkDir(const std::string& workDir) {
    const std::string folder = withoutTrailingSlash(workDir);
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        throw Error(cannotCreateMessage(workDir, systemReason(errno)));
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0)
        throw Error(cannotCreateMessage(workDir, systemReason(errno)));
    checkPrivateFolder(workDir, info);
}

void createWorkTree(const std::string& workDir) {
    // Failures are ignored: a missing folder shows when the first file is written into it. The
    // sub-folders are made through the open WorkDir, never through a link put in its place.
    ::mkdir(withoutTrailingSlash(workDir).c_str(), 0700);
    const FileDescriptor folder = openFolderNoFollow(workDir);
    if (!folder.valid())
        return;
    for (int index :
         {kBackgroundimageSlot, kEidPicSlot, kSplashscreenSlot, kStartupSlot, kWelcomeimageSlot})
        ::mkdirat(folder.get(), std::string(slotAt(index).name).c_str(), 0700);
    ::mkdirat(folder.get(), std::string(kNewMbmFolderName).c_str(), 0700);
}

void emptySlotFolders(const std::string& workDir) {
    for (const MbmSlot& slot : kSlotTable)
        emptyFolder(slotFolder(workDir, slot));
    emptyFolder(newMbmFolder(workDir));
}

void DeleteTree(const std::string& path) {
    const std::string target = withoutTrailingSlash(path);
    struct stat info {};
    if (::lstat(target.c_str(), &info) != 0)
        return;
    if (!S_ISDIR(info.st_mode)) {
        ::unlink(target.c_str());  // a link (or a file) in place of the folder goes as itself
        return;
    }
    emptyFolder(target);
    ::rmdir(target.c_str());
}

WorkDirLock::WorkDirLock(const std::string& workDir) : workDir_(workDir) {
    prepareWorkDir(workDir);
    // The checks are made again on the open folder, so that it cannot be swapped in between.
    FileDescriptor folder = openFolderNoFollow(workDir);
    if (!folder.valid()) {
        int errorNumber = errno;
        if (errorNumber == ELOOP || errorNumber == ENOTDIR) {
            struct stat info {};
            if (::lstat(withoutTrailingSlash(workDir).c_str(), &info) == 0)
                checkPrivateFolder(workDir, info);
        }
        throw Error(cannotOpenMessage(workDir, systemReason(errorNumber)));
    }
    struct stat info {};
    if (::fstat(folder.get(), &info) != 0)
        throw Error(cannotOpenMessage(workDir, systemReason(errno)));
    checkPrivateFolder(workDir, info);
    if (::flock(folder.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK)
            throw Error(std::string(alreadyRunningMessage()));
        throw Error(cannotOpenMessage(workDir, systemReason(errno)));
    }
    folder_ = std::move(folder);
    // Every file written below WorkDir from now on is reached through this descriptor.
    privateWrites_ =
        std::make_unique<PrivateTreeWrites>(withoutTrailingSlash(workDir) + "/", folder_.get());
}

WorkDirLock::~WorkDirLock() = default;

ProgramDirectoryLock::ProgramDirectoryLock(const std::string& programDirectory) {
    FileDescriptor folder{
        ::open(withoutTrailingSlash(programDirectory).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (!folder.valid())
        return;
    if (::flock(folder.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK)
            throw Error(formatMessage(_("%1 Папка программы %2 занята."), alreadyRunningMessage(),
                                      displayText(programDirectory)));
        return;  // a file system without locks: nothing to hold
    }
    folder_ = std::move(folder);
}  // closing the folder releases the lock

}  // namespace felmo
