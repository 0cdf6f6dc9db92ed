// The session: where this run of FELMO lives and what it keeps between runs. It finds the program
// directory and the settings file, reads and writes the stored values of the main window, takes
// the work tree for this run (locked against a second FELMO of the same user), fills it with the
// embedded default graphics and the user's own .mbm files, and removes it at close.
//
// Folders are held once, in the form the work tree's rules use (ending in "/"); the path getters
// are views of the same text.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "workspace/run_budget.hpp"
#include "workspace/settings.hpp"

namespace felmo {

class ConverterLauncher;
class ProgramDirectoryLock;
class WorkDirLock;

struct StudioConfig {
    // Path of the running executable: its folder is the program directory when writable (else the
    // per-user configuration folder), and the converter is looked for beside it first.
    std::filesystem::path executablePath;
    // Use this settings file. The program directory (command file PackUnpack.txt, the converter's
    // working directory, the default output folder's parent) then becomes this file's folder.
    std::optional<std::filesystem::path> settingsFile;
    // The output folder for this run, in place of RoadDirFiles. It is not stored: close writes
    // back the RoadDirFiles read from the settings (or the folder set with setOutputFolder).
    std::optional<std::filesystem::path> outputFolder;
    // The converter to run, in place of the lookup beside the executable and on PATH.
    std::optional<std::filesystem::path> converterPath;
    // For tests: runs the converter through this launcher (kept by the caller, outliving the
    // Studio) instead of starting a process. Takes precedence over converterPath.
    ConverterLauncher* converterLauncher = nullptr;
    // What a whole start-up and a whole build may take, in time and in bytes of the work tree.
    RunLimits limits;
    // For tests: the clock of those limits (kept by the caller, outliving the Studio).
    const Clock* clock = nullptr;
    // The work tree's root comes from TMPDIR (default /tmp) by the workspace rules.
};

// The main window's position, as stored in the settings (X1, Y1).
struct WindowPosition {
    int left = setting::X1.designedDefault;
    int top = setting::Y1.designedDefault;
};

class Session {
  public:
    explicit Session(const StudioConfig& config);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Finds the program directory, opens the settings file and reads the window position (X1,
    // Y1). Later calls only return the position.
    WindowPosition open();
    bool isOpen() const { return settings_.has_value(); }
    // The settings file, opened first when open() has not run yet.
    Settings& settings();

    // Reads OpenFolderWithDrawing and RoadDirFiles; the output folder becomes the configured one
    // or, without it, RoadDirFiles (the default folder when empty).
    void readStoredValues();

    // Takes the program directory and the work tree for this run (refused with a clear error
    // when another FELMO holds either), creates the tree, writes the five embedded defaults and
    // copies the user's .mbm files from the output folder over them; temporaries an interrupted
    // build left in the output folder go. Returns the names copied (FoundMbmNames).
    std::vector<std::string> takeWorkTree();
    // The user's .mbm files the start-up passed over, one message each naming the file.
    const std::vector<std::string>& startUpRefusals() const { return startUpRefusals_; }
    bool hasWorkTree() const { return !workDir_.empty(); }
    // Throws felmo::Error "<what>: текущая графика ещё не распакована ..." while none is held.
    void requireWorkTree(std::string_view what) const;
    // Deletes the work tree and lets it go; nothing when none is held.
    void releaseWorkTree();

    // Writes X1, Y1 and, when they were read this run, OpenFolderWithDrawing and RoadDirFiles.
    // Every value is attempted; the first refused write is thrown after the others.
    void writeStoredValues(WindowPosition position);

    // Where things live, each ending in "/" (empty until open() / takeWorkTree() respectively).
    const std::string& programDirectoryText() const { return programDirectory_; }
    const std::string& workDirText() const { return workDir_; }
    std::filesystem::path programDirectory() const { return programDirectory_; }
    // True for an installed FELMO: the program directory is the per-user configuration folder
    // and the default output folder lies in the documents folder.
    bool installed() const { return installed_; }
    std::filesystem::path workDir() const { return workDir_; }
    const std::filesystem::path& settingsFile() const { return settingsPath_; }

    // The output folder (RoadDirFiles) and the check box OpenFolderWithDrawing of the program
    // settings window; both are written at close.
    const std::filesystem::path& outputFolder() const { return outputFolder_; }
    void setOutputFolder(std::filesystem::path folder);
    bool openFolderWithDrawing() const { return OpenFolderWithDrawing_; }
    void setOpenFolderWithDrawing(bool open) { OpenFolderWithDrawing_ = open; }

  private:
    std::filesystem::path executablePath_;
    std::optional<std::filesystem::path> configuredSettingsFile_;
    std::optional<std::filesystem::path> configuredOutputFolder_;
    std::uint64_t workTreeCeiling_;

    std::string programDirectory_;  // ends in "/"
    bool installed_ = false;
    std::filesystem::path defaultOutputFolder_;  // the output folder while RoadDirFiles is empty
    std::filesystem::path settingsPath_;
    std::optional<Settings> settings_;
    WindowPosition position_;
    std::string workDir_;  // ends in "/"; empty while no work tree is held
    std::unique_ptr<ProgramDirectoryLock> programDirectoryLock_;
    std::unique_ptr<WorkDirLock> workDirLock_;
    std::vector<std::string> startUpRefusals_;

    bool storedValuesRead_ = false;  // OpenFolderWithDrawing and RoadDirFiles came from the file
    bool OpenFolderWithDrawing_ = setting::OpenFolderWithDrawing.designedDefault;
    std::filesystem::path outputFolder_;        // used by the builds and the start-up walk
    std::filesystem::path storedOutputFolder_;  // what close writes as RoadDirFiles
};

}  // namespace felmo
