// The private work folder: a folder only this user can reach, held open while the program runs,
// filled and emptied without ever following a link (on Windows: a symbolic link, a junction or
// any other reparse point) out of it, and locked so that a second FELMO of the user keeps away.
//
// Error numbers are the system's own (errno, or GetLastError() on Windows); systemReason()
// (platform/file_io.hpp) turns them into text.
#pragma once

#include <string>
#include <string_view>

#include "platform/native.hpp"

namespace felmo {

// Why a folder cannot serve as a private folder of this user.
enum class FolderRefusal {
    None,
    Link,          // a symbolic link (Windows: a reparse point) stands in its place
    NotFolder,     // it is something else than a folder
    OtherOwner,    // another user owns it
    OpenToOthers,  // other users may enter it (POSIX: group or other permission bits; Windows
                   // keeps the user's temporary folder private and is not asked)
};

// Creates `path` (its parent must exist) as a folder only this user can enter: POSIX mode 0700;
// Windows a protected access list granting the user alone, inherited by what is made inside. An
// existing entry is left as it is. Returns 0, or the system's error number.
int createPrivateFolder(const std::string& path);

// Creates a new private folder in `parent` named `prefix` followed by six random characters, and
// returns its path; "" when none can be made.
std::string createUniquePrivateFolder(const std::string& parent, std::string_view prefix);

// What stands at `path`, looked at without following a link there. `error` gets the system's
// error number when nothing can be looked at (FolderRefusal::None is then returned).
FolderRefusal privateFolderRefusal(const std::string& path, int& error);

// An open folder. Move-only; closing it releases its lock.
class OpenFolder {
  public:
    OpenFolder() = default;
    ~OpenFolder();
    OpenFolder(OpenFolder&& other) noexcept;
    OpenFolder& operator=(OpenFolder&& other) noexcept;
    OpenFolder(const OpenFolder&) = delete;
    OpenFolder& operator=(const OpenFolder&) = delete;

    // Opens the folder at `path`. A link in its place is not followed when `followLink` is
    // false: the open fails then. Invalid on failure, with `error` set.
    static OpenFolder open(const std::string& path, bool followLink, int& error);

    bool valid() const { return handle_ != kNoNativeHandle; }
    // The checks of privateFolderRefusal made on the open folder itself, so that nothing can be
    // swapped in between.
    FolderRefusal refusal() const;

    enum class Lock { Taken, HeldByOther, Unavailable };
    // An exclusive lock, held until the folder is closed (POSIX: flock on the folder; Windows:
    // a hidden lock file ".felmo.lock" inside, opened for this process alone and gone when it is
    // closed). Not inherited by child processes. Unavailable: the file system has no locks.
    Lock tryLock(int& error);

    // Creates the folder `name` inside (mode 0700); failures are ignored.
    void makeFolder(std::string_view name) const;
    // Removes everything inside; links are removed as links, never followed. Failures are
    // ignored: what cannot be removed stays.
    void removeContents() const;

    // The path it was opened by, and the descriptor or HANDLE.
    const std::string& path() const { return path_; }
    NativeHandle native() const { return handle_; }

  private:
    void close();

    NativeHandle handle_ = kNoNativeHandle;
    NativeHandle lock_ = kNoNativeHandle;  // Windows: the lock file
    std::string path_;
};

// Removes everything below `path` and then the folder itself. A link (or a file) at `path` goes
// as itself; no link or junction inside is ever followed. Failures are ignored.
void deleteTree(const std::string& path);

// Removes the folder at `path` if it is empty; anything else stays.
void removeEmptyFolder(const std::string& path);

// `path` without the separators at its end (one kept for a root).
std::string withoutTrailingSeparators(std::string path);

}  // namespace felmo
