// An in-process converter for the application model's tests. It reads PackUnpack.txt as the real
// converter would and, depending on its behaviour, writes synthetic frames (unpack) or a small
// stand-in .mbm (pack), fails, leaves nothing, or never ends.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "raster/color.hpp"
#include "workspace/converter.hpp"

namespace felmo::testing {

// The colour of every pixel of frame k of a slot, as the fake unpacks it.
Color fakeFrameColour(int slotIndex, int frameIndex);
// The size of frame k of a slot (the slot table's sizes).
struct FrameSize {
    int width;
    int height;
};
FrameSize slotFrameSize(int slotIndex, int frameIndex);

class FakeConverter : public ConverterLauncher {
  public:
    enum class Behaviour {
        Convert,   // writes every file the command file names, then ends with status 0
        Fail,      // writes nothing and ends with status 1 and a message on standard error
        NoOutput,  // writes nothing and ends with status 0
        Hang,      // never ends
    };

    // The behaviour for the run numbered `runIndex` (0 for the first launch); Convert by default.
    std::function<Behaviour(int runIndex)> behaviourOf = [](int) { return Behaviour::Convert; };
    // Called after a converting run has written its files, with the run's command lines; lets a
    // test spoil one of them.
    std::function<void(const std::vector<std::string>& lines)> afterRun;

    // Every command file read, in order of launch, as lines without CR LF.
    std::vector<std::vector<std::string>> commandFiles;
    int launches() const { return static_cast<int>(commandFiles.size()); }

    void launch(const std::string& workingDirectory) override;
    ConverterState state() override { return state_; }
    ConverterState waitFor(std::chrono::milliseconds timeout) override;
    int exitNotifier() const override { return -1; }
    void kill() override;

    // Makes a hanging run end now, as a converting one.
    void finishHangingRun();

  private:
    void convert(const std::vector<std::string>& lines);

    ConverterState state_;
};

}  // namespace felmo::testing
