// The build driver: the two converter pipelines of a session and their finishing steps. At
// start-up it unpacks the five slot sources and fills the document's previews from the frames; a
// build saves the document's stills as frames, packs the five files and delivers them to the
// output folder with the notice; an export writes the frames a build would pack into a folder.
//
// Timers are not threads: the front end calls tick() (TimerStart, every 100 ms while
// timerStartEnabled()) and may also call it as soon as completionHandle() is signalled.
#pragma once

#include <array>
#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/native.hpp"
#include "workspace/run_budget.hpp"

namespace felmo {

class ConverterLauncher;
class ConverterPipeline;
class FrontEnd;
class Session;
struct Document;

// The four bit-depth boxes of the main window. BackgroundPictureBit sets both the EidPic and the
// backgroundimage depth.
enum class DepthBox {
    StartUpPictureBit,
    BackgroundPictureBit,
    SplashscreenPictureBit,
    WelcomeimagePictureBit,
};
inline constexpr int kDepthBoxCount = 4;

// TimerStart's period.
inline constexpr int kTimerStartPeriodMs = 100;

class BuildDriver {
  public:
    // `launcher` (kept by the caller) runs the converter when given; otherwise a process is
    // started, `converterPath` when given, else the converter beside the executable or on PATH.
    // A whole start-up and a whole build each run within `limits`, timed by `clock` (kept by the
    // caller).
    BuildDriver(Session& session, Document& document, FrontEnd& frontEnd,
                ConverterLauncher* launcher, std::optional<std::filesystem::path> converterPath,
                const RunLimits& limits = {}, const Clock& clock = steadyClock());
    // A converter still running is stopped; the work tree stays for the session to remove.
    ~BuildDriver();
    BuildDriver(const BuildDriver&) = delete;
    BuildDriver& operator=(const BuildDriver&) = delete;

    // The start-up's clock starts: call it before the work tree is filled. startUnpack starts it
    // when this was not called.
    void beginStartUp();
    // Starts unpacking the slot sources of the session's work tree; `foundMbmNames` are the
    // user's files copied in, deleted with the sources when the unpacking finishes. Refused
    // (felmo::Error) when the start-up is already past its time or its work tree past its bytes.
    void startUnpack(std::vector<std::string> foundMbmNames);
    // Saves the stills as frames and starts packing with the bit-depth texts. Refused
    // (felmo::Error) while a pipeline runs. The build's clock starts here; past its time, or
    // with its work tree past its bytes, the build stops before the output folder is touched.
    void startBuild();
    // Writes the current frames into `folder`, keeping the slot folders (startup/0.bmp ...
    // startup/11.bmp, EidPic/0.bmp ... 4.bmp, backgroundimage/0.bmp and 1.bmp, Splashscreen/0.bmp,
    // Welcomeimage/0.bmp): exactly what a build would pack now, the stills saved as the build
    // saves them. Refused while a pipeline runs or before the work tree exists.
    void exportFrames(const std::filesystem::path& folder);
    // "Создать" -> "Анимацию для показа": the twelve start-up frames as an animation that loops
    // for ever at the preview's pace, GIF or WebP by the file's ending (effects/animation_export).
    // Refused while a pipeline runs or before the work tree exists; written atomically.
    void exportAnimation(const std::filesystem::path& file);
    // "Создать" -> "Картинку темы": a PNG of the four phone screens side by side
    // (compose/theme_poster), each made of the frames exactly as a build saves and packs them now.
    // Refused like exportAnimation; written atomically.
    void exportPoster(const std::filesystem::path& file);

    // One step of the running pipeline (the TimerStart tick). A converter that could not start,
    // failed, or ended without leaving its file stops the pipeline with felmo::Error naming the
    // slot; nothing is deleted then. The finishing steps run inside the tick that finishes.
    void tick();
    bool timerStartEnabled() const { return timerStartEnabled_; }
    // For headless use: waits for each converter run and steps the pipeline until it has
    // finished. Throws felmo::Error when a step fails, when the start-up or build runs out of
    // time, or when one converter run takes longer than `perRunTimeout` (the pipeline is stopped
    // then).
    void runToEnd(std::chrono::milliseconds perRunTimeout = std::chrono::seconds(60));
    // Abandons a running pipeline (its converter is killed).
    void stop();

    bool running() const;
    // "Распаковка startup… 1/5", "Упаковка EidPic… 2/5"; empty when no pipeline runs.
    std::string status() const;
    // A handle signalled when the running converter process ends (POSIX: a descriptor that
    // becomes readable; Windows: the process HANDLE); kNoNativeHandle when none runs. Valid until
    // the next call into the driver.
    NativeHandle completionHandle() const;

    // Bit-depth box texts, used verbatim in the command file ("16" at start).
    void setDepthText(DepthBox box, std::string text);
    const std::string& depthText(DepthBox box) const;

    // Throws felmo::Error "<what> недоступно, пока работает конвертер (...)" while one runs.
    void refuseWhileRunning(std::string_view what) const;

  private:
    void saveStills();
    std::uint64_t stillFrameBytes() const;
    void finishUnpack();
    void finishPack();

    Session& session_;
    Document& document_;
    FrontEnd& frontEnd_;
    ConverterLauncher* launcher_;
    std::optional<std::filesystem::path> converterPath_;
    std::unique_ptr<ConverterLauncher> ownedLauncher_;
    std::unique_ptr<ConverterPipeline> pipeline_;
    bool timerStartEnabled_ = false;
    std::vector<std::string> foundMbmNames_;
    std::array<std::string, kDepthBoxCount> depthTexts_;
    RunLimits limits_;
    const Clock& clock_;
    std::optional<RunBudget> budget_;  // of the start-up or build under way
};

}  // namespace felmo
