#include "workspace/pipeline.hpp"

#include <filesystem>
#include <system_error>

#include "base/error.hpp"
#include "base/translation.hpp"
#include "base/utf8_path.hpp"
#include "platform/file_io.hpp"
#include "platform/file_system.hpp"
#include "workspace/command_file.hpp"
#include "workspace/paths.hpp"
#include "workspace/work_tree.hpp"

namespace felmo {
namespace {

// The awaited file counts once it is there as a regular file. The converter writes it under a
// temporary name and renames it, so it never shows half-written.
bool awaitedFileExists(const std::string& path) {
    return isRegularFile(path);
}

}  // namespace

ConverterPipeline::ConverterPipeline(ConverterLauncher& launcher, std::string workDir,
                                     std::string programDirectory)
    : launcher_(launcher),
      workDir_(std::move(workDir)),
      programDirectory_(std::move(programDirectory)) {}

void ConverterPipeline::startUnpack() {
    if (running_)
        throw Error(_("Конвертер ещё работает: дождитесь окончания."));
    // Frames of an earlier run that ended abnormally must not pass for freshly unpacked ones.
    emptySlotFolders(workDir_);
    phase_ = PipelinePhase::Unpack;
    CurrentSlot_ = 0;
    running_ = true;
    launchCurrentSlot();
}

void ConverterPipeline::startPack(const std::array<std::string, kSlotCount>& slotBitDepth) {
    if (running_)
        throw Error(_("Конвертер ещё работает: дождитесь окончания."));
    for (const std::string& depthText : slotBitDepth)
        checkColourDepthText(depthText);
    slotBitDepth_ = slotBitDepth;
    phase_ = PipelinePhase::Pack;
    CurrentSlot_ = 0;
    running_ = true;
    launchCurrentSlot();
}

template <typename Check>
void ConverterPipeline::keepWithinBudget(Check&& check) {
    if (!budget_)
        return;
    try {
        check(*budget_);
    } catch (const Error&) {
        launcher_.kill();
        running_ = false;
        throw;
    }
}

// "распаковка startup", "упаковка EidPic": the current slot's step, for the budget's messages.
std::string ConverterPipeline::stepName() const {
    return formatMessage(phase_ == PipelinePhase::Unpack ? _("распаковка %1") : _("упаковка %1"),
                         slotAt(CurrentSlot_).name);
}

void ConverterPipeline::launchCurrentSlot() {
    const MbmSlot& slot = slotAt(CurrentSlot_);
    const std::string& depthText = slotBitDepth_[static_cast<std::size_t>(CurrentSlot_)];
    if (phase_ == PipelinePhase::Unpack) {
        commandList_ = unpackCommandLines(workDir_, slot);
        AwaitedFile_ = doneMarkerPath(workDir_, slot);
    } else {
        commandList_ = packCommandLines(workDir_, slot, depthText);
        AwaitedFile_ = builtFilePath(workDir_, slot);
    }
    keepWithinBudget([&](const RunBudget& budget) {
        budget.checkTime(stepName());
        budget.checkBytes(workDir_,
                          phase_ == PipelinePhase::Unpack
                              ? predictedUnpackBytes(slotSourcePath(workDir_, slot), slot)
                              : predictedPackBytes(workDir_, slot, depthText),
                          stepName());
    });
    // A file left at the awaited path by an earlier run must not count as this run's result.
    removeFile(AwaitedFile_);
    try {
        writeCommandFile(programDirectory_, commandList_);
    } catch (const Error& error) {
        fail(error.what());
    }
    launcher_.launch(programDirectory_);
    launchedAt_ = std::chrono::steady_clock::now();
    ConverterState state = launcher_.state();
    if (state.kind == ConverterState::Kind::FailedToStart)
        fail(formatMessage(_("не удалось запустить конвертер: %1."), state.message));
}

void ConverterPipeline::fail(const std::string& reason) {
    running_ = false;
    const char* pattern = phase_ == PipelinePhase::Unpack ? _("Не удалось распаковать %1: %2")
                                                          : _("Не удалось упаковать %1: %2");
    throw Error(formatMessage(pattern, slotAt(CurrentSlot_).name, reason));
}

TickResult ConverterPipeline::tick() {
    if (!running_)
        return TickResult::Idle;
    ConverterState state = launcher_.state();
    switch (state.kind) {
        case ConverterState::Kind::NotStarted:
        case ConverterState::Kind::Running:
            keepWithinBudget([&](const RunBudget& budget) { budget.checkTime(stepName()); });
            if (std::chrono::steady_clock::now() - launchedAt_ > slotTimeout_) {
                launcher_.kill();
                fail(formatMessage(
                    _("конвертер не закончил работу за %1 с."),
                    std::chrono::duration_cast<std::chrono::seconds>(slotTimeout_).count()));
            }
            return TickResult::Waiting;
        case ConverterState::Kind::FailedToStart:
            fail(formatMessage(_("не удалось запустить конвертер: %1."), state.message));
        case ConverterState::Kind::Failed:
            fail(
                state.message.empty()
                    ? formatMessage(_("конвертер завершился с ошибкой (код %1)."), state.exitStatus)
                    : formatMessage(_("конвертер завершился с ошибкой (код %1):\n%2"),
                                    state.exitStatus, state.message));
        case ConverterState::Kind::Succeeded:
            break;
    }
    if (!awaitedFileExists(AwaitedFile_))
        fail(formatMessage(_("конвертер закончил работу, но не создал файл %1."), AwaitedFile_));
    keepWithinBudget([&](const RunBudget& budget) { budget.checkBytes(workDir_, 0, stepName()); });

    CurrentSlot_ += 1;
    if (CurrentSlot_ < kSlotCount) {
        launchCurrentSlot();
        if (phase_ == PipelinePhase::Unpack)
            removeFile(slotSourcePath(workDir_, slotAt(CurrentSlot_ - 1)));
        return TickResult::Advanced;
    }
    running_ = false;
    return TickResult::Finished;
}

void ConverterPipeline::stop() {
    if (!running_)
        return;
    launcher_.kill();
    running_ = false;
}

std::string ConverterPipeline::statusText() const {
    if (!running_)
        return {};
    return formatMessage(
        phase_ == PipelinePhase::Unpack ? _("Распаковка %1… %2/%3") : _("Упаковка %1… %2/%3"),
        slotAt(CurrentSlot_).name, CurrentSlot_ + 1, kSlotCount);
}

NativeHandle ConverterPipeline::exitNotifier() const {
    return running_ ? launcher_.exitNotifier() : kNoNativeHandle;
}

void deleteUnpackedSources(const std::string& workDir,
                           const std::vector<std::string>& foundMbmNames) {
    for (const std::string& name : foundMbmNames) {
        // Only names directly in WorkDir: a recorded name never holds a separator.
        if (name.empty() || name.find('/') != std::string::npos || name == "." || name == "..")
            continue;
        removeFile((workDir + name));
    }
    removeFile(slotSourcePath(workDir, slotAt(kWelcomeimageSlot)));
}

namespace {

// A built file holds at most a few phone screens; anything far larger is not ours.
constexpr std::size_t kMaxBuiltFileBytes = std::size_t{64} << 20;

}  // namespace

void removeStaleDeliveryTemporaries(const std::string& outputFolder) {
    std::error_code error;
#ifdef _WIN32
    // std::filesystem reads narrow text byte by byte on Windows: the UTF-16 path instead.
    std::filesystem::directory_iterator entries(nativePath(outputFolder), error);
#else
    std::filesystem::directory_iterator entries(outputFolder, error);
#endif
    if (error)
        return;
    for (; entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        if (error)
            return;
        const std::string name = utf8FromPath(entries->path().filename());
        for (const MbmSlot& slot : kSlotTable) {
            if (isStagingTemporaryOf(name, std::string(slot.name) + ".mbm")) {
                std::filesystem::remove(entries->path(), error);
                break;
            }
        }
    }
}

void deliverBuiltFiles(const std::string& workDir, const std::string& outputFolder,
                       const std::string& programDirectory) {
#ifdef _WIN32
    createFolders(outputFolder);  // a folder that cannot be made shows in the copies below
#else
    std::error_code ignored;  // a folder that cannot be made shows in the copies below
    std::filesystem::create_directories(outputFolder, ignored);
#endif
    removeStaleDeliveryTemporaries(outputFolder);
    std::string failures;
    auto noteFailure = [&](const Error& error) {
        failures += "\n";
        failures += error.what();
    };
    // First every file whole beside its place; a built file that fails stays for another try.
    std::vector<StagedFile> staged;
    std::vector<std::string> builtFiles;
    for (const MbmSlot& slot : kSlotTable) {
        const std::string built = builtFilePath(workDir, slot);
        try {
            const std::vector<std::uint8_t> bytes = readWholeFile(built, kMaxBuiltFileBytes);
            staged.emplace_back(outputFilePath(outputFolder, slot), bytes);
            builtFiles.push_back(built);
        } catch (const Error& error) {
            noteFailure(error);
        }
    }
    // Then the renames, one after another.
    for (std::size_t i = 0; i < staged.size(); ++i) {
        try {
            staged[i].commit();
        } catch (const Error& error) {
            noteFailure(error);
            continue;
        }
        removeFile(builtFiles[i]);
    }
    deleteCommandFile(programDirectory);
    if (!failures.empty())
        throw Error(formatMessage(_("Не все файлы графики скопированы в папку %1:%2"), outputFolder,
                                  failures));
}

}  // namespace felmo
