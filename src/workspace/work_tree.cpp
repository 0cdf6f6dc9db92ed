#include "workspace/work_tree.hpp"

#include "base/display_text.hpp"
#include "base/error.hpp"
#include "base/translation.hpp"
#include "platform/file_io.hpp"
#include "workspace/paths.hpp"
#include "workspace/slot_table.hpp"

namespace felmo {
namespace {

[[noreturn]] void refuseWorkDir(const std::string& workDir, const char* reason) {
    throw Error(formatMessage(_("Рабочая папка %1 не может быть использована: %2."), workDir,
                              translate(reason)));
}

void checkPrivateFolder(const std::string& workDir, FolderRefusal refusal) {
    switch (refusal) {
        case FolderRefusal::None:
            return;
        case FolderRefusal::Link:
            refuseWorkDir(workDir, N_("это символическая ссылка"));
        case FolderRefusal::NotFolder:
            refuseWorkDir(workDir, N_("это не папка"));
        case FolderRefusal::OtherOwner:
            refuseWorkDir(workDir, N_("она принадлежит другому пользователю"));
        case FolderRefusal::OpenToOthers:
            refuseWorkDir(workDir, N_("она открыта для других пользователей"));
    }
}

void emptyFolder(const std::string& path) {
    int error = 0;
    const OpenFolder folder = OpenFolder::open(path, /*followLink=*/false, error);
    if (folder.valid())
        folder.removeContents();
}

}  // namespace

std::string_view alreadyRunningMessage() {
    return _("Программа FELMO уже запущена.");
}

void prepareWorkDir(const std::string& workDir) {
    if (const int error = createPrivateFolder(workDir); error != 0)
        throw Error(cannotCreateMessage(workDir, systemReason(error)));
    int error = 0;
    const FolderRefusal refusal = privateFolderRefusal(workDir, error);
    if (error != 0)
        throw Error(cannotCreateMessage(workDir, systemReason(error)));
    checkPrivateFolder(workDir, refusal);
}

void createWorkTree(const std::string& workDir) {
    // Failures are ignored: a missing folder shows when the first file is written into it. The
    // sub-folders are made through the open WorkDir, never through a link put in its place.
    createPrivateFolder(workDir);
    int error = 0;
    const OpenFolder folder = OpenFolder::open(workDir, /*followLink=*/false, error);
    if (!folder.valid())
        return;
    for (int index :
         {kBackgroundimageSlot, kEidPicSlot, kSplashscreenSlot, kStartupSlot, kWelcomeimageSlot})
        folder.makeFolder(slotAt(index).name);
    folder.makeFolder(kNewMbmFolderName);
}

void emptySlotFolders(const std::string& workDir) {
    for (const MbmSlot& slot : kSlotTable)
        emptyFolder(slotFolder(workDir, slot));
    emptyFolder(newMbmFolder(workDir));
}

void DeleteTree(const std::string& path) {
    deleteTree(path);
}

WorkDirLock::WorkDirLock(const std::string& workDir) : workDir_(workDir) {
    prepareWorkDir(workDir);
    // The checks are made again on the open folder, so that it cannot be swapped in between.
    int error = 0;
    OpenFolder folder = OpenFolder::open(workDir, /*followLink=*/false, error);
    if (!folder.valid()) {
        int lookError = 0;
        const FolderRefusal refusal = privateFolderRefusal(workDir, lookError);
        if (lookError == 0)
            checkPrivateFolder(workDir, refusal);
        throw Error(cannotOpenMessage(workDir, systemReason(error)));
    }
    checkPrivateFolder(workDir, folder.refusal());
    switch (folder.tryLock(error)) {
        case OpenFolder::Lock::Taken:
            break;
        case OpenFolder::Lock::HeldByOther:
            throw Error(std::string(alreadyRunningMessage()));
        case OpenFolder::Lock::Unavailable:
            throw Error(cannotOpenMessage(workDir, systemReason(error)));
    }
    folder_ = std::move(folder);
    // Every file written below WorkDir from now on is reached through the open folder.
    privateWrites_ = std::make_unique<PrivateTreeWrites>(
        withoutTrailingSeparators(workDir) + kFolderSeparator, folder_);
}

WorkDirLock::~WorkDirLock() {
#ifdef _WIN32
    // While it is locked, the folder holds its lock file on Windows, so a tree removed under the
    // lock keeps its folder: once the lock file has gone with the lock, it goes too. A tree still
    // holding other files stays.
    privateWrites_.reset();
    folder_ = OpenFolder();
    removeEmptyFolder(workDir_);
#endif
}

ProgramDirectoryLock::ProgramDirectoryLock(const std::string& programDirectory) {
    int error = 0;
    OpenFolder folder = OpenFolder::open(programDirectory, /*followLink=*/true, error);
    if (!folder.valid())
        return;
    if (folder.tryLock(error) == OpenFolder::Lock::HeldByOther)
        throw Error(formatMessage(_("%1 Папка программы %2 занята."), alreadyRunningMessage(),
                                  displayText(programDirectory)));
    // Unavailable: a file system without locks, nothing to hold.
    folder_ = std::move(folder);
}  // closing the folder releases the lock

}  // namespace felmo
