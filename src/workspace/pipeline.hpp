// The converter pipeline: unpacks the five slot sources into BMP frames at start-up, or packs the
// frames into the five .mbm files of a build, one slot after another.
//
// Each slot is one converter run on a freshly written command file. A run counts as done when
// the converter has ended successfully and the file it was to make (AwaitedFile) exists: in unpack
// mode the slot's done marker (its last frame), in pack mode the built .mbm. The owner calls
// tick() from its 100 ms timer (TimerStart) and may also call it as soon as the converter's exit
// notifier becomes readable, so a pipeline moves on without waiting for the next tick.
//
// A run that cannot start, ends with a failure status, ends without making AwaitedFile, or does
// not end within slotTimeout stops the pipeline: tick() throws felmo::Error naming the slot and
// carrying the converter's own message, and nothing is deleted.
//
// With a budget (run_budget.hpp), each run is also bounded by the time left, a run is not started
// when what it would write takes the work tree past its ceiling, and the tree is measured again
// after each run: tick() then throws the budget's message naming the step.
#pragma once

#include <array>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "workspace/converter.hpp"
#include "workspace/run_budget.hpp"
#include "workspace/slot_table.hpp"

namespace felmo {

enum class PipelinePhase { Unpack = 0, Pack = 1 };

enum class TickResult {
    Idle,      // no pipeline running
    Waiting,   // the current slot's run is not done yet
    Advanced,  // a slot was done and the next slot's run was launched
    Finished,  // the fifth slot was done: the owner runs the finishing steps now
};

class ConverterPipeline {
  public:
    // The launcher must outlive the pipeline. workDir and programDirectory end in "/".
    ConverterPipeline(ConverterLauncher& launcher, std::string workDir,
                      std::string programDirectory);

    // Unpack: empties the slot folders of an earlier run (emptySlotFolders), writes the unpack
    // command file of slot 0, launches the converter, AwaitedFile := the done marker of startup.
    // The slot sources WorkDir/<slot>.mbm must be in place.
    void startUnpack();

    // Pack with the five bit-depth texts (SlotBitDepth, used verbatim): writes the pack command
    // file of slot 0, launches, AwaitedFile := WorkDir/NewMbmFiles/startup.mbm. The frames must be
    // in place. Refused (felmo::Error) while a pipeline runs.
    void startPack(const std::array<std::string, kSlotCount>& slotBitDepth);

    // One TimerStart tick. When the current run is done: CurrentSlot += 1, and below 5 the next
    // slot's command file is written and launched (unpack also deletes the source .mbm of the slot
    // just finished); at 5 the pipeline stops and Finished is returned. Throws felmo::Error (after
    // stopping) when the run failed.
    TickResult tick();

    // Abandons the pipeline: a running converter is killed; nothing is deleted.
    void stop();

    bool running() const { return running_; }
    PipelinePhase phase() const { return phase_; }
    int currentSlot() const { return CurrentSlot_; }
    const std::string& awaitedFile() const { return AwaitedFile_; }
    const std::vector<std::string>& commandList() const { return commandList_; }
    const std::string& workDir() const { return workDir_; }
    const std::string& programDirectory() const { return programDirectory_; }

    // For a window's status line: "Распаковка startup… 1/5", "Упаковка EidPic… 2/5"; "" when idle.
    std::string statusText() const;

    // The launcher's exit notifier (see ConverterLauncher::exitNotifier), kNoNativeHandle when
    // idle. Each slot's run has its own handle (the number may even be reused), and it stays
    // signalled once the run has ended: watch it anew after every tick() that returned Advanced.
    NativeHandle exitNotifier() const;

    // How long one slot's run may take before the pipeline gives up (default 60 s).
    void setSlotTimeout(std::chrono::milliseconds timeout) { slotTimeout_ = timeout; }
    // The budget the next pipeline started runs under (none: only the per-run timeout).
    void setBudget(std::optional<RunBudget> budget) { budget_ = std::move(budget); }

  private:
    void launchCurrentSlot();
    [[noreturn]] void fail(const std::string& reason);
    // Stops the pipeline when the budget refuses (its message, not a converter failure).
    template <typename Check>
    void keepWithinBudget(Check&& check);
    std::string stepName() const;

    ConverterLauncher& launcher_;
    std::string workDir_;
    std::string programDirectory_;
    bool running_ = false;
    PipelinePhase phase_ = PipelinePhase::Unpack;
    int CurrentSlot_ = 0;
    std::string AwaitedFile_;
    std::vector<std::string> commandList_;
    std::array<std::string, kSlotCount> slotBitDepth_;
    std::chrono::steady_clock::time_point launchedAt_;
    std::chrono::milliseconds slotTimeout_{60000};
    std::optional<RunBudget> budget_;
};

// --- Finishing steps, run by the owner after tick() returned Finished ---

// Unpack: deletes WorkDir + each name of FoundMbmNames and WorkDir + "Welcomeimage.mbm" (the
// last slot's source). Failures are ignored. The command file is deleted separately
// (deleteCommandFile in command_file.hpp), after the previews are loaded.
void deleteUnpackedSources(const std::string& workDir,
                           const std::vector<std::string>& foundMbmNames);

// Pack: creates the output folder with its parents and removes the temporaries an earlier,
// interrupted delivery left there; writes every built file WorkDir/NewMbmFiles/<slot>.mbm
// complete under a temporary name beside outputFolder/<slot>.mbm first, and only then renames
// them into place one after another with no work in between, so the set changes as nearly at
// once as the file system allows (each file is replaced whole or left as it was); deletes a
// built file only after its rename succeeded; then deletes the command file in
// programDirectory. Throws felmo::Error naming every file that did not arrive; the success
// notice belongs only to a call that returned normally.
// Removes from outputFolder the temporaries that delivering the five slot files leaves when a
// run is killed (".<slot>.mbm.<16 hexadecimal digits>.tmp"), and nothing else.
void removeStaleDeliveryTemporaries(const std::string& outputFolder);

void deliverBuiltFiles(const std::string& workDir, const std::string& outputFolder,
                       const std::string& programDirectory);

}  // namespace felmo
