// Where FELMO keeps its files, as plain text paths.
//
// Folder paths (program directory, WorkDir, slot folders) always end in "/"; the output folder does
// not. The path forms are built by concatenation, so a doubled separator (output folder "/" gives
// "//startup.mbm") is possible and harmless.
//
// The Linux rules:
//   program directory  the folder of the executable for a portable copy (a folder of the user's
//                      own, writable, outside the system folders); otherwise, for an installed
//                      FELMO, the per-user folder $XDG_CONFIG_HOME/felmo/ (default
//                      ~/.config/felmo/), created on demand
//   WorkDir            $TMPDIR (default /tmp) + "/Temp_FELMO-<numeric user id>/"
//   output folder      settings key RoadDirFiles; default program directory + "Files" for a
//                      portable copy, "FELMO" in the user's documents folder when installed
//
// On Windows (windows_paths below):
//   program directory  the folder of the executable for a portable copy; otherwise the per-user
//                      folder %APPDATA%\FELMO\, created on demand
//   WorkDir            the user's own temporary folder (GetTempPathW) + "Temp_FELMO\", a folder
//                      no other user of the machine can reach
//   output folder      as on Linux, with the documents folder the system names
#pragma once

#include <string>
#include <string_view>

#include "workspace/slot_table.hpp"

namespace felmo {

// --- Base locations, from explicit inputs (pure) ---

// tmpDir is the value of $TMPDIR ("" when unset: /tmp is used).
std::string workDirFor(std::string_view tmpDir, unsigned userId);

// xdgConfigHome is $XDG_CONFIG_HOME ("" when unset), home is $HOME. Result ends in "felmo/".
std::string perUserConfigDirectoryFor(std::string_view xdgConfigHome, std::string_view home);

// The folder of `executablePath`, ending in "/".
std::string executableFolderOf(std::string_view executablePath);

// --- Base locations of this process (read the environment and the file system) ---

// The running executable (/proc/self/exe resolved); "" when it cannot be found.
std::string currentExecutablePath();

// WorkDir of the current user from $TMPDIR (made absolute and normalised) and the real user id.
// Nothing is created. Throws felmo::Error naming the path when a command file cannot carry it.
std::string currentWorkDir();

// --- Portable copy or installed program ---

// What the portable-copy rule asks of the executable's folder.
struct ProgramFolderFacts {
    bool writable = false;            // this user may create files in it
    bool ownedByUser = false;         // the folder belongs to this user
    bool holdsUsersSettings = false;  // a Settings.ini of this user's is already there
};

// True for the folders a package or an administrator installs programs into: /usr, /opt and the
// root-level bin, sbin and lib folders, with everything below them.
bool isSystemFolder(std::string_view folder);

// A portable copy keeps its files beside the executable: the folder is the user's own, writable
// and not a system folder. A folder that already holds the user's Settings.ini stays portable
// (settings of an earlier copy keep working there), except for root in a system folder: an
// installed program run by root never writes beside itself.
bool isPortableProgramFolder(std::string_view folder, const ProgramFolderFacts& facts,
                             bool runAsRoot);

// The facts of `folder` for the current (real) user, read from the file system.
ProgramFolderFacts programFolderFactsOf(const std::string& folder);

struct ProgramLocation {
    std::string directory;  // ends in "/"
    bool portable = false;  // false: an installed FELMO using the per-user folder
};

// The program directory for `executableFolder`: the folder itself for a portable copy, otherwise
// the per-user configuration folder, which is created (with parents) if missing.
ProgramLocation programLocationFor(const std::string& executableFolder);
// The same location, found without creating anything.
ProgramLocation findProgramLocation(const std::string& executableFolder);
std::string programDirectoryFor(const std::string& executableFolder);

// programDirectoryFor(the running executable's folder).
std::string currentProgramDirectory();

// --- The user's documents folder (installed FELMO's output) ---

// The documents folder as `xdg-user-dir DOCUMENTS` finds it: XDG_DOCUMENTS_DIR from the
// user-dirs.dirs text ("$HOME/..." or an absolute path, the last assignment counts), else the
// environment's XDG_DOCUMENTS_DIR when absolute, else home + "/Documents". No trailing slash.
std::string documentsFolderFor(std::string_view userDirsText, std::string_view environmentValue,
                               std::string_view home);

// documentsFolderFor with $XDG_CONFIG_HOME/user-dirs.dirs (default ~/.config/user-dirs.dirs),
// $XDG_DOCUMENTS_DIR and $HOME of this process.
std::string currentDocumentsFolder();

// The output folder an installed FELMO starts with: documents folder + "/FELMO".
std::string installedOutputFolder(std::string_view documentsFolder);

// --- Path forms (pure) ---

std::string defaultOutputFolder(std::string_view programDirectory);  // + "Files"
std::string settingsFilePath(std::string_view programDirectory);     // + "Settings.ini"
std::string commandFilePath(std::string_view programDirectory);      // + "PackUnpack.txt"

inline constexpr std::string_view kCommandFileName = "PackUnpack.txt";
inline constexpr std::string_view kNewMbmFolderName = "NewMbmFiles";

std::string newMbmFolder(std::string_view workDir);                     // + "NewMbmFiles/"
std::string slotFolder(std::string_view workDir, const MbmSlot& slot);  // + name + "/"
std::string framePath(std::string_view workDir, const MbmSlot& slot, int frameIndex);
// The slot's last frame: once the converter has written it, the slot's unpack is done.
std::string doneMarkerPath(std::string_view workDir, const MbmSlot& slot);
std::string slotSourcePath(std::string_view workDir, const MbmSlot& slot);  // + name + ".mbm"
std::string builtFilePath(std::string_view workDir, const MbmSlot& slot);   // NewMbmFiles/name.mbm
std::string outputFilePath(std::string_view outputFolder, const MbmSlot& slot);  // + "/" + name.mbm

// --- The Windows rules, as functions of the executable's full path (pure) ---
namespace windows_paths {

inline constexpr std::string_view kRelativeWorkPath = "Temp\\Temp_FELMO\\";

// The first three characters ("C:\"), used unchanged whatever they are.
std::string driveRootPrefix(std::string_view executablePath);
// Drive root prefix + "Temp\Temp_FELMO\" (E:\Tools\x.exe -> E:\Temp\Temp_FELMO\): a folder every
// user of the machine can reach, so the program does not use it.
std::string workDir(std::string_view executablePath);
// The work tree the program uses: "Temp_FELMO\" in the user's own temporary folder
// (C:\Users\u\AppData\Local\Temp\ -> C:\Users\u\AppData\Local\Temp\Temp_FELMO\).
std::string workDirIn(std::string_view temporaryFolder);
// An installed FELMO's program directory: "FELMO\" in the roaming application data folder.
std::string perUserProgramDirectory(std::string_view applicationDataFolder);
// Up to and including the last backslash (C:\Tools\x.exe -> C:\Tools\).
std::string programDirectory(std::string_view executablePath);
// Program directory + "Files".
std::string defaultOutputFolder(std::string_view executablePath);
// Output folder + "\" + slot name + ".mbm" (D:\ gives D:\\startup.mbm).
std::string outputFilePath(std::string_view outputFolder, const MbmSlot& slot);
// WorkDir + slot name + "\" + k + ".bmp".
std::string framePath(std::string_view workDir, const MbmSlot& slot, int frameIndex);
// WorkDir + "NewMbmFiles\" + slot name + ".mbm".
std::string builtFilePath(std::string_view workDir, const MbmSlot& slot);

}  // namespace windows_paths

}  // namespace felmo
