// An in-process converter for the tests of the pipeline and of the application model. Each run
// reads PackUnpack.txt from its working directory as the real converter would; how each run
// behaves is planned in advance, and a run's files appear when it is seen to have ended.
#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "raster/color.hpp"
#include "workspace/converter.hpp"

namespace felmo::testing {

// The colour of every pixel of frame k of a slot, as the fake unpacks pictures.
Color fakeFrameColour(int slotIndex, int frameIndex);
// The size of frame k of a slot (the slot table's sizes).
struct FrameSize {
    int width;
    int height;
};
FrameSize slotFrameSize(int slotIndex, int frameIndex);

class FakeConverter : public ConverterLauncher {
  public:
    enum class Run {
        Convert,          // writes every file the command file names and ends successfully
        FailWithMessage,  // writes nothing, ends with status 1 and a message on standard error
        WriteNothing,     // writes nothing and ends successfully
        CannotStart,      // never starts
        Hang,             // never ends (until finishHangingRun)
    };
    // What a converting run writes.
    enum class Output {
        // Unpack: each frame holds "frame of <source>"; pack: "<depth option>:<frame>;" for each
        // frame, so a test reads back which frames went in with which depth.
        Text,
        // Unpack: each frame a plain picture of its slot's frame size in fakeFrameColour; pack:
        // the command file's lines, one per line.
        Pictures,
    };

    // How the next runs behave, in order; runs beyond the list convert.
    std::deque<Run> plan;
    Output output = Output::Text;
    // When false, a run stays running until endRun(); its files appear when it ends.
    bool endRunsAtOnce = true;
    void endRun() { running_ = false; }
    // Makes a hanging run end now, as a converting one.
    void finishHangingRun();
    // Called after a converting run has written its files, with the run's command lines; lets a
    // test spoil one of them.
    std::function<void(const std::vector<std::string>& lines)> afterRun;

    // PackUnpack.txt as each run found it, and where each run was started.
    std::vector<std::string> commandFiles;
    std::vector<std::string> workingDirectories;
    int kills = 0;
    int launches() const { return static_cast<int>(commandFiles.size()); }
    // The lines of run `run`'s command file, without CR LF.
    std::vector<std::string> commandLines(int run) const;

    void launch(const std::string& workingDirectory) override;
    ConverterState state() override;
    // Waits a moment while the run is going on, so a caller's wait loop does not spin.
    ConverterState waitFor(std::chrono::milliseconds timeout) override;
    NativeHandle exitNotifier() const override { return kNoNativeHandle; }
    void kill() override { ++kills; }

  private:
    void convert(const std::vector<std::string>& lines) const;

    Run current_ = Run::Convert;
    bool running_ = false;
    bool ended_ = false;
};

}  // namespace felmo::testing
