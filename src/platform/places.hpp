// The standard places of the system: the running executable, the user's temporary folder, home
// and configuration folders, the environment, and what the user may do in a folder. All text is
// UTF-8.
#pragma once

#include <string>

namespace felmo {

// The running executable's full path (/proc/self/exe resolved; GetModuleFileNameW); "" when it
// cannot be found.
std::string executablePath();

// The variable's value; "" when it is unset.
std::string environmentVariable(const char* name);

// The user's temporary folder: $TMPDIR made absolute and normalised, /tmp when it is unset
// (Windows: GetTempPathW, which ends in a backslash).
std::string temporaryFolder();

// The user's home folder: $HOME, else the user database's (Windows: %USERPROFILE%).
std::string homeFolder();

// The per-user folder for programs' settings on Windows (%APPDATA%, the roaming application data
// folder); "" elsewhere.
std::string applicationDataFolder();

// The documents folder as the system itself names it (Windows: the Documents known folder); ""
// where the system names none (POSIX, where the desktop's user-dirs.dirs says it).
std::string systemDocumentsFolder();

// The real user's numeric id (POSIX); 0 on Windows, which has no such number.
unsigned currentUserId();
// Whether the program runs as the system's all-powerful user (POSIX root).
bool runsAsSuperuser();

// What the current user may do with `folder` and a file in it.
bool isWritableFolder(const std::string& folder);
bool isOwnedByUser(const std::string& path);
// A regular file (not a link) of the user's own that the user may write.
bool isUsersWritableFile(const std::string& path);

}  // namespace felmo
