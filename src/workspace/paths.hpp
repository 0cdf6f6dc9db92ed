// Where FELMO keeps its files, as plain text paths.
//
// Folder paths (program directory, WorkDir, slot folders) always end in "/"; the output folder does
// not. The path forms are built by concatenation, so a doubled separator (output folder "/" gives
// "//startup.mbm") is possible and harmless.
//
// The Linux rules:
//   program directory  the folder of the executable when it is writable, otherwise the per-user
//                      folder $XDG_CONFIG_HOME/felmo/ (default ~/.config/felmo/), created on demand
//   WorkDir            $TMPDIR (default /tmp) + "/Temp_FELMO-<numeric user id>/"
//   output folder      settings key RoadDirFiles; default program directory + "Files"
//
// The Windows rules of the original program stay expressible in windows_paths below.
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

// The program directory for `executableFolder`: the folder itself when this user can write to it,
// otherwise the per-user configuration folder, which is created (with parents) if missing.
std::string programDirectoryFor(const std::string& executableFolder);

// programDirectoryFor(the running executable's folder).
std::string currentProgramDirectory();

// --- Path forms (pure) ---

std::string defaultOutputFolder(std::string_view programDirectory);  // + "Files"
std::string settingsFilePath(std::string_view programDirectory);     // + "Settings.ini"
std::string commandFilePath(std::string_view programDirectory);      // + "PackUnpack.txt"

inline constexpr std::string_view kCommandFileName = "PackUnpack.txt";
inline constexpr std::string_view kNewMbmFolderName = "NewMbmFiles";

std::string newMbmFolder(std::string_view workDir);                     // + "NewMbmFiles/"
std::string slotFolder(std::string_view workDir, const MbmSlot& slot);  // + name + "/"
std::string framePath(std::string_view workDir, const MbmSlot& slot, int frameIndex);
std::string doneMarkerPath(std::string_view workDir, const MbmSlot& slot);  // + doneMarker
std::string slotSourcePath(std::string_view workDir, const MbmSlot& slot);  // + name + ".mbm"
std::string builtFilePath(std::string_view workDir, const MbmSlot& slot);   // NewMbmFiles/name.mbm
std::string outputFilePath(std::string_view outputFolder, const MbmSlot& slot);  // + "/" + name.mbm

// --- The Windows rules, as functions of the executable's full path (pure) ---
namespace windows_paths {

inline constexpr std::string_view kRelativeWorkPath = "Temp\\Temp_FELMO\\";

// The first three characters ("C:\"), used unchanged whatever they are.
std::string driveRootPrefix(std::string_view executablePath);
// Drive root prefix + "Temp\Temp_FELMO\" (E:\Tools\x.exe -> E:\Temp\Temp_FELMO\).
std::string workDir(std::string_view executablePath);
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
