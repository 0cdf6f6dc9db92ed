#include "studio/session.hpp"

#include <span>
#include <system_error>

#include "base/error.hpp"
#include "base/first_failure.hpp"
#include "base/translation.hpp"
#include "base/utf8_path.hpp"
#include "platform/file_io.hpp"
#include "platform/file_system.hpp"
#include "resources/embedded_defaults.hpp"
#include "workspace/paths.hpp"
#include "workspace/pipeline.hpp"
#include "workspace/run_budget.hpp"
#include "workspace/slot_table.hpp"
#include "workspace/user_mbm_walk.hpp"
#include "workspace/work_tree.hpp"

namespace felmo {
namespace {

namespace fs = std::filesystem;

std::string withTrailingSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

}  // namespace

Session::Session(const StudioConfig& config)
    : executablePath_(config.executablePath),
      configuredSettingsFile_(config.settingsFile),
      configuredOutputFolder_(config.outputFolder),
      workTreeCeiling_(config.limits.workTreeBytes) {}

Session::~Session() = default;

WindowPosition Session::open() {
    if (settings_)
        return position_;
    if (configuredSettingsFile_) {
        settingsPath_ = absoluteNormalPath(*configuredSettingsFile_);
        programDirectory_ = withTrailingSlash(utf8FromPath(settingsPath_.parent_path()));
    } else {
        const std::string executable = executablePath_.empty()
                                           ? currentExecutablePath()
                                           : utf8FromPath(absolutePath(executablePath_));
        if (executable.empty())
            throw Error(_("Не удалось определить папку программы: путь к ней неизвестен."));
        const ProgramLocation location = programLocationFor(executableFolderOf(executable));
        programDirectory_ = location.directory;
        installed_ = !location.portable;
        settingsPath_ = settingsFilePath(programDirectory_);
    }
    // An installed FELMO builds into a folder the user finds, not into a hidden one.
    defaultOutputFolder_ = installed_ ? installedOutputFolder(currentDocumentsFolder())
                                      : defaultOutputFolder(programDirectory_);
    settings_.emplace(utf8FromPath(settingsPath_));
    position_.left = settings_->readInteger(kSettingsSection, setting::X1.key, position_.left);
    position_.top = settings_->readInteger(kSettingsSection, setting::Y1.key, position_.top);
    outputFolder_ = defaultOutputFolder_;
    storedOutputFolder_ = outputFolder_;
    return position_;
}

Settings& Session::settings() {
    open();
    return *settings_;
}

void Session::readStoredValues() {
    open();
    OpenFolderWithDrawing_ = settings_->readBool(
        kSettingsSection, setting::OpenFolderWithDrawing.key, OpenFolderWithDrawing_);
    const std::string road = settings_->readString(kSettingsSection, setting::RoadDirFiles,
                                                   utf8FromPath(storedOutputFolder_));
    storedOutputFolder_ = road.empty() ? defaultOutputFolder_ : fs::path(road);
    outputFolder_ = configuredOutputFolder_ ? *configuredOutputFolder_ : storedOutputFolder_;
    storedValuesRead_ = true;
}

std::vector<std::string> Session::takeWorkTree() {
    // The work tree is this run's own: a second FELMO of the user stops here untouched.
    const std::string tree = currentWorkDir();
    programDirectoryLock_ = std::make_unique<ProgramDirectoryLock>(programDirectory_);
    workDirLock_ = std::make_unique<WorkDirLock>(tree);
    workDir_ = tree;
    createWorkTree(workDir_);

    for (const MbmSlot& slot : kSlotTable) {
        const std::span<const std::uint8_t> graphics = embeddedDefaultMbm(slot.name);
        if (graphics.empty())
            throw Error(formatMessage(_("Нет встроенной графики для %1."), slot.name));
        writeFileAtomically(slotSourcePath(workDir_, slot), graphics);
    }
    if (!isFolder(outputFolder_))
        return {};
    removeStaleDeliveryTemporaries(utf8FromPath(outputFolder_));
    // The user's files and their frames get what the defaults and all of their frames leave.
    std::uint64_t defaultsBytes = folderBytes(workDir_);
    for (const MbmSlot& slot : kSlotTable)
        defaultsBytes += predictedUnpackBytes(slotSourcePath(workDir_, slot), slot);
    const std::uint64_t allowance =
        workTreeCeiling_ > defaultsBytes ? workTreeCeiling_ - defaultsBytes : 0;
    return CopyUserMbmFiles(utf8FromPath(outputFolder_), workDir_, &startUpRefusals_, allowance);
}

void Session::requireWorkTree(std::string_view what) const {
    if (workDir_.empty())
        throw Error(formatMessage(
            _("%1: текущая графика ещё не распакована (рабочая папка не создана)."), what));
}

void Session::releaseWorkTree() {
    if (!workDir_.empty()) {
        DeleteTree(workDir_);
        workDir_.clear();
    }
    workDirLock_.reset();
    programDirectoryLock_.reset();
}

void Session::writeStoredValues(WindowPosition position) {
    if (!settings_)
        return;
    position_ = position;
    FirstFailure writes;
    writes.attempt(
        [&] { settings_->writeInteger(kSettingsSection, setting::X1.key, position.left); });
    writes.attempt(
        [&] { settings_->writeInteger(kSettingsSection, setting::Y1.key, position.top); });
    // Values never read (the start-up sequence did not get that far) are not overwritten.
    if (storedValuesRead_) {
        writes.attempt([&] {
            settings_->writeBool(kSettingsSection, setting::OpenFolderWithDrawing.key,
                                 OpenFolderWithDrawing_);
        });
        writes.attempt([&] {
            settings_->writeString(kSettingsSection, setting::RoadDirFiles,
                                   utf8FromPath(storedOutputFolder_));
        });
    }
    writes.rethrow();
}

void Session::setOutputFolder(std::filesystem::path folder) {
    outputFolder_ = folder;
    storedOutputFolder_ = std::move(folder);
}

}  // namespace felmo
