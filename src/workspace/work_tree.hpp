// The private work tree under WorkDir, where every phone picture lives as BMP frames while the
// program runs:
//   WorkDir/                  slot sources <slot>.mbm and the user's copied .mbm files
//   WorkDir/<slot>/k.bmp      the frames of each slot
//   WorkDir/NewMbmFiles/      the .mbm files a build makes, before they go to the output folder
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/file_io.hpp"
#include "platform/private_folder.hpp"

namespace felmo {

// The message a second FELMO of the same user shows before it ends, in the current language; the
// refusals of WorkDirLock and ProgramDirectoryLock begin with it.
std::string_view alreadyRunningMessage();

// Makes sure WorkDir is a private folder of this user: creates it with mode 0700 (Windows: an
// access list for the user alone) when missing (the parent must exist), and refuses
// (felmo::Error saying why) when it is a symbolic link (Windows: a junction or other reparse
// point), not a folder, owned by another user, or open to group or others. The folders below it
// are not made.
void prepareWorkDir(const std::string& workDir);

// Creates WorkDir and its sub-folders in the program's order: WorkDir, backgroundimage, EidPic,
// Splashscreen, startup, Welcomeimage, NewMbmFiles. Failures are ignored here: a tree that could
// not be made shows when the first file is written into it.
void createWorkTree(const std::string& workDir);

// Empties the five slot folders and NewMbmFiles of a tree left by an earlier run, so that a stale
// frame cannot count as a freshly unpacked one. The folders stay; nothing outside them is touched.
void emptySlotFolders(const std::string& workDir);

// Removes everything below `path` and then the folder itself. A symbolic link (or a junction) is
// removed as a link, never followed. Failures are ignored: what cannot be removed stays.
void DeleteTree(const std::string& path);

// Holds WorkDir for one running FELMO of a user: the constructor runs prepareWorkDir and then
// takes an exclusive lock on the WorkDir folder (OpenFolder::tryLock), kept until destruction. If
// another FELMO holds it, the constructor throws felmo::Error kAlreadyRunningMessage without
// touching the tree. The lock is not inherited by the converter. While it is held, every file the
// program writes below WorkDir is reached through the locked folder's descriptor, never through a
// link (PrivateTreeWrites).
class WorkDirLock {
  public:
    explicit WorkDirLock(const std::string& workDir);
    ~WorkDirLock();
    WorkDirLock(const WorkDirLock&) = delete;
    WorkDirLock& operator=(const WorkDirLock&) = delete;

    const std::string& workDir() const { return workDir_; }

  private:
    std::string workDir_;
    OpenFolder folder_;
    std::unique_ptr<PrivateTreeWrites> privateWrites_;
};

// Holds the program directory for one running FELMO: the settings file, the command file and the
// converter's working directory are there, so two runs sharing it would share them (one would
// find the other's command file). An exclusive lock on the folder (OpenFolder::tryLock), kept until
// destruction; if another FELMO holds it, the constructor throws felmo::Error
// kAlreadyRunningMessage. A folder that cannot be opened is not locked: writing there fails later
// with its own message.
class ProgramDirectoryLock {
  public:
    explicit ProgramDirectoryLock(const std::string& programDirectory);

  private:
    OpenFolder folder_;
};

}  // namespace felmo
