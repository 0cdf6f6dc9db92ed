#include "studio/build_driver.hpp"

#include <algorithm>
#include <cstdlib>
#include <system_error>
#include <thread>

#include "base/error.hpp"
#include "base/stop_request.hpp"
#include "base/translation.hpp"
#include "base/utf8_path.hpp"
#include "compose/theme_poster.hpp"
#include "effects/animation_export.hpp"
#include "platform/file_io.hpp"
#include "platform/file_system.hpp"
#include "raster/bmp.hpp"
#include "raster/png_writer.hpp"
#include "studio/document.hpp"
#include "studio/front_end.hpp"
#include "studio/session.hpp"
#include "workspace/command_file.hpp"
#include "workspace/converter.hpp"
#include "workspace/paths.hpp"
#include "workspace/pipeline.hpp"
#include "workspace/slot_table.hpp"

namespace felmo {
namespace {

namespace fs = std::filesystem;

constexpr const char* kBuildNotice = N_("Файлы графики созданы.");
constexpr const char* kDefaultBitDepth = "16";

// The box each slot takes its bit depth from.
constexpr std::array<DepthBox, kSlotCount> kSlotDepthBox = {
    DepthBox::StartUpPictureBit,       // startup
    DepthBox::BackgroundPictureBit,    // EidPic
    DepthBox::BackgroundPictureBit,    // backgroundimage
    DepthBox::SplashscreenPictureBit,  // Splashscreen
    DepthBox::WelcomeimagePictureBit,  // Welcomeimage
};

// `folder` with the user's home shown as "~".
std::string shownFolder(const std::string& folder) {
    const char* home = std::getenv("HOME");
    std::string prefix = home ? home : "";
    while (prefix.size() > 1 && prefix.back() == '/')
        prefix.pop_back();
    if (prefix.size() > 1 && folder.rfind(prefix, 0) == 0 &&
        (folder.size() == prefix.size() || folder[prefix.size()] == '/'))
        return "~" + folder.substr(prefix.size());
    return folder;
}

}  // namespace

BuildDriver::BuildDriver(Session& session, Document& document, FrontEnd& frontEnd,
                         ConverterLauncher* launcher,
                         std::optional<std::filesystem::path> converterPath,
                         const RunLimits& limits, const Clock& clock)
    : session_(session),
      document_(document),
      frontEnd_(frontEnd),
      launcher_(launcher),
      converterPath_(std::move(converterPath)),
      limits_(limits),
      clock_(clock) {
    depthTexts_.fill(kDefaultBitDepth);
}

BuildDriver::~BuildDriver() {
    stop();
}

bool BuildDriver::running() const {
    return pipeline_ && pipeline_->running();
}

std::string BuildDriver::status() const {
    return running() ? pipeline_->statusText() : std::string();
}

NativeHandle BuildDriver::completionHandle() const {
    return running() ? pipeline_->exitNotifier() : kNoNativeHandle;
}

void BuildDriver::setDepthText(DepthBox box, std::string text) {
    depthTexts_[static_cast<std::size_t>(box)] = std::move(text);
}

const std::string& BuildDriver::depthText(DepthBox box) const {
    return depthTexts_[static_cast<std::size_t>(box)];
}

void BuildDriver::refuseWhileRunning(std::string_view what) const {
    if (running())
        throw Error(formatMessage(_("%1 недоступно, пока работает конвертер (%2)."), what,
                                  pipeline_->statusText()));
}

void BuildDriver::beginStartUp() {
    budget_.emplace(RunKind::StartUp, limits_, clock_);
}

void BuildDriver::startUnpack(std::vector<std::string> foundMbmNames) {
    if (!budget_ || budget_->kind() != RunKind::StartUp)
        beginStartUp();
    budget_->checkTime(_("копирование файлов .mbm"));
    budget_->checkBytes(session_.workDirText(), 0, _("копирование файлов .mbm"));
    if (!launcher_) {
        ownedLauncher_ = converterPath_ ? std::make_unique<ProcessConverterLauncher>(
                                              utf8FromPath(absolutePath(*converterPath_)))
                                        : std::make_unique<ProcessConverterLauncher>();
        launcher_ = ownedLauncher_.get();
    }
    pipeline_ = std::make_unique<ConverterPipeline>(*launcher_, session_.workDirText(),
                                                    session_.programDirectoryText());
    foundMbmNames_ = std::move(foundMbmNames);
    pipeline_->setBudget(budget_);
    pipeline_->startUnpack();
    timerStartEnabled_ = true;
}

void BuildDriver::startBuild() {
    if (!pipeline_ || !session_.hasWorkTree())
        throw Error(_("Создание графики недоступно: текущая графика ещё не распакована."));
    refuseWhileRunning(_("Создание графики"));
    std::array<std::string, kSlotCount> slotBitDepth;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        slotBitDepth[slot] = depthText(kSlotDepthBox[slot]);
        checkColourDepthText(slotBitDepth[slot]);  // before anything is written
    }
    budget_.emplace(RunKind::Build, limits_, clock_);
    budget_->checkBytes(session_.workDirText(), stillFrameBytes(), _("сохранение кадров"));
    saveStills();
    budget_->checkTime(_("сохранение кадров"));
    pipeline_->setBudget(budget_);
    pipeline_->startPack(slotBitDepth);
    timerStartEnabled_ = true;
}

// What saveStills writes.
std::uint64_t BuildDriver::stillFrameBytes() const {
    const StillPictures& stills = document_.stills;
    const auto bytes = [](const auto& picture) {
        return bmpFileBytes(picture.width(), picture.height());
    };
    return 4 * bytes(stills.EidPicPicture1) + bytes(stills.BackgroundPicture) +
           bytes(stills.SplashscreenPicture) + bytes(stills.SplashEidPic) +
           bytes(stills.WelcomeimagePicture);
}

// The build's save step: the stills become their frames in the work tree.
void BuildDriver::saveStills() {
    const std::string& workDir = session_.workDirText();
    StillPictures& stills = document_.stills;
    Raster& composed = stills.EidPicPicture1.pictureAs24Bit();
    for (int k = 1; k <= 4; ++k)
        saveBmpFile(composed, framePath(workDir, kSlotTable[kEidPicSlot], k));
    saveBmpFile(stills.BackgroundPicture.pictureAs24Bit(),
                framePath(workDir, kSlotTable[kBackgroundimageSlot], 0));
    saveBmpFile(stills.SplashscreenPicture.pictureAs24Bit(),
                framePath(workDir, kSlotTable[kSplashscreenSlot], 0));
    saveBmpFile(stills.SplashEidPic.pictureAs24Bit(),
                framePath(workDir, kSlotTable[kEidPicSlot], 0));
    saveBmpFile(stills.WelcomeimagePicture.pictureAs24Bit(),
                framePath(workDir, kSlotTable[kWelcomeimageSlot], 0));
}

void BuildDriver::exportFrames(const fs::path& folder) {
    session_.requireWorkTree(_("Экспорт кадров"));
    refuseWhileRunning(_("Экспорт кадров"));
    saveStills();
    for (const MbmSlot& slot : kSlotTable) {
        const fs::path slotTarget = folder / std::string(slot.name);
        std::error_code error;
        fs::create_directories(nativePath(slotTarget), error);
        if (error)
            throw Error(cannotCreateMessage(slotTarget, error.message()));
        for (int k = 0; k <= slot.lastFrameIndex; ++k)
            copyFileAtomically(framePath(session_.workDirText(), slot, k),
                               slotTarget / (std::to_string(k) + ".bmp"));
    }
}

void BuildDriver::exportAnimation(const fs::path& file) {
    session_.requireWorkTree(_("Создание анимации для показа"));
    refuseWhileRunning(_("Создание анимации для показа"));
    exportStartupAnimation(session_.workDir(), file);
}

void BuildDriver::exportPoster(const fs::path& file) {
    session_.requireWorkTree(_("Создание картинки темы"));
    refuseWhileRunning(_("Создание картинки темы"));
    // The poster shows what the build packs: the stills are saved as the build saves them and
    // read back from their frame files.
    saveStills();
    const std::string& workDir = session_.workDirText();
    const auto frame = [&workDir](int slot, int k) {
        return loadBmpFile(framePath(workDir, kSlotTable[slot], k));
    };
    const Raster statusArea = frame(kEidPicSlot, 1);
    const Raster background = frame(kBackgroundimageSlot, 0);
    const Raster splash = frame(kSplashscreenSlot, 0);
    const Raster lastStartupFrame = frame(kStartupSlot, kSlotTable[kStartupSlot].lastFrameIndex);
    const Raster welcome = frame(kWelcomeimageSlot, 0);
    savePngFile(
        composeThemePoster({&statusArea, &background, &splash, &lastStartupFrame, &welcome}), file);
}

// The finishing steps of the start-up unpacking: the previews are filled from the frames.
void BuildDriver::finishUnpack() {
    deleteUnpackedSources(session_.workDirText(), foundMbmNames_);
    timerStartEnabled_ = false;
    budget_->checkTime(_("показ кадров"));
    document_.showUnpackedFrames(session_.workDirText());
    deleteCommandFile(session_.programDirectoryText());
}

// The finishing steps of a build: the files go to the output folder, then the notice.
void BuildDriver::finishPack() {
    timerStartEnabled_ = false;
    budget_->checkTime(_("копирование в папку вывода"));  // the output folder is not yet touched
    deliverBuiltFiles(session_.workDirText(), utf8FromPath(session_.outputFolder()),
                      session_.programDirectoryText());
    // An installed FELMO's files are not beside the program: the notice says where they are.
    const std::string notice = translate(kBuildNotice);
    frontEnd_.showNotice(session_.installed()
                             ? notice + "\n" + shownFolder(utf8FromPath(session_.outputFolder()))
                             : notice);
    if (session_.openFolderWithDrawing())
        frontEnd_.openFolder(session_.outputFolder());
}

void BuildDriver::tick() {
    if (!timerStartEnabled_ || !running())
        return;
    const PipelinePhase phase = pipeline_->phase();
    TickResult result;
    try {
        result = pipeline_->tick();
    } catch (...) {
        timerStartEnabled_ = false;
        throw;
    }
    if (result != TickResult::Finished)
        return;
    if (phase == PipelinePhase::Unpack)
        finishUnpack();
    else
        finishPack();
}

void BuildDriver::runToEnd(std::chrono::milliseconds perRunTimeout) {
    if (!running())
        return;
    pipeline_->setSlotTimeout(perRunTimeout);
    constexpr std::chrono::milliseconds kTick{100};
    while (running()) {
        if (const int signalNumber = stopRequested())
            throw Error(formatMessage(_("Работа прервана сигналом %1."), signalNumber));
        const std::chrono::milliseconds wait =
            budget_ ? std::clamp(budget_->timeLeft(), std::chrono::milliseconds(1), kTick) : kTick;
        const ConverterState state = launcher_->waitFor(wait);
        const int slotBefore = pipeline_->currentSlot();
        tick();
        // A run that has ended but whose step did not advance is given a moment rather than a
        // busy loop (the pipeline itself gives up on it).
        if (running() && state.kind != ConverterState::Kind::Running &&
            pipeline_->currentSlot() == slotBefore)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void BuildDriver::stop() {
    if (running())
        pipeline_->stop();
    timerStartEnabled_ = false;
}

}  // namespace felmo
