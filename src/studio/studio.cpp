#include "studio/studio.hpp"

#include <algorithm>
#include <span>
#include <system_error>
#include <thread>

#include "base/error.hpp"
#include "base/file_io.hpp"
#include "compose/indicator_glyph.hpp"
#include "compose/overlay_composition.hpp"
#include "compose/overlay_settings.hpp"
#include "compose/picked_rgb.hpp"
#include "compose/picture_fitting.hpp"
#include "compose/picture_loading.hpp"
#include "compose/status_strip.hpp"
#include "compose/still_pictures.hpp"
#include "effects/effect_context.hpp"
#include "effects/effect_random.hpp"
#include "effects/preview_player.hpp"
#include "effects/run_effect.hpp"
#include "effects/work_images.hpp"
#include "raster/bmp.hpp"
#include "resources/embedded_defaults.hpp"
#include "studio/front_end.hpp"
#include "workspace/command_file.hpp"
#include "workspace/converter.hpp"
#include "workspace/paths.hpp"
#include "workspace/pipeline.hpp"
#include "workspace/settings.hpp"
#include "workspace/slot_table.hpp"
#include "workspace/user_mbm_walk.hpp"
#include "workspace/work_tree.hpp"

namespace felmo {
namespace {

namespace fs = std::filesystem;

constexpr const char* kBuildNotice = "Файлы графики созданы.";
constexpr const char* kDefaultBitDepth = "16";

// The box each slot takes its bit depth from.
constexpr std::array<DepthBox, kSlotCount> kSlotDepthBox = {
    DepthBox::StartUpPictureBit,       // startup
    DepthBox::BackgroundPictureBit,    // EidPic
    DepthBox::BackgroundPictureBit,    // backgroundimage
    DepthBox::SplashscreenPictureBit,  // Splashscreen
    DepthBox::WelcomeimagePictureBit,  // Welcomeimage
};

std::string withTrailingSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

// Where the overlay picture is stretched to: the whole strip.
constexpr Rect kOverlayArea{0, 0, kOverlayStripWidth, kOverlayStripHeight};

}  // namespace

struct Studio::Impl {
    Impl(FrontEnd& frontEndIn, StudioConfig configIn)
        : frontEnd(frontEndIn), config(std::move(configIn)) {
        depthTexts.fill(kDefaultBitDepth);
    }

    FrontEnd& frontEnd;
    StudioConfig config;

    // Where things live.
    bool formCreated = false;
    std::string programDirectory;  // ends in "/"
    std::optional<Settings> settings;
    fs::path programDirectoryPath;
    fs::path settingsPath;
    std::string workDir;  // ends in "/"; empty until FormActivate has taken the tree
    fs::path workDirPath;
    std::unique_ptr<WorkDirLock> workDirLock;

    // What the settings and the windows hold.
    WindowPosition position;
    bool formActivated = false;
    bool settingsRead = false;  // OpenFolderWithDrawing and RoadDirFiles came from the settings
    bool OpenFolderWithDrawing = setting::OpenFolderWithDrawing.designedDefault;
    fs::path outputFolder;        // used by the builds and the start-up walk
    fs::path storedOutputFolder;  // what close writes as RoadDirFiles
    // The overlay: region and recomposition request, and its settings window.
    OverlayState overlay;
    OverlaySettingsWindow overlayWindow{overlay};
    std::array<std::string, 4> depthTexts;

    // Pictures and the state shared by the commands.
    StillPictures stills;
    WorkImages work;
    Image StartUpPicture{kScreenWidth, kScreenHeight};
    PictureLoad load;
    PickedRGB picked;
    StatusStrip strip;
    EffectRandom random;
    PreviewPlayer preview;

    // The converter pipelines.
    std::unique_ptr<ConverterLauncher> ownedLauncher;
    ConverterLauncher* launcher = nullptr;
    std::unique_ptr<ConverterPipeline> pipeline;
    bool TimerStartEnabled = false;
    std::vector<std::string> FoundMbmNames;

    PictureChooser pictureChooser() {
        return [this] { return frontEnd.choosePicture(); };
    }
    ColourChooser colourChooser() {
        return [this](Color initial) { return frontEnd.chooseColour(initial); };
    }

    void requireWorkTree(std::string_view what) const {
        if (workDir.empty())
            throw Error(std::string(what) +
                        ": текущая графика ещё не распакована (рабочая папка не создана).");
    }

    bool pipelineRunning() const { return pipeline && pipeline->running(); }

    void formCreate() {
        if (formCreated)
            return;
        if (config.settingsFile) {
            settingsPath = fs::absolute(*config.settingsFile).lexically_normal();
            programDirectory = withTrailingSlash(settingsPath.parent_path().string());
        } else {
            std::string executable = config.executablePath.empty()
                                         ? currentExecutablePath()
                                         : fs::absolute(config.executablePath).string();
            if (executable.empty())
                throw Error("Не удалось определить папку программы: путь к ней неизвестен.");
            programDirectory = programDirectoryFor(executableFolderOf(executable));
            settingsPath = settingsFilePath(programDirectory);
        }
        programDirectoryPath = programDirectory;
        settings.emplace(settingsPath.string());
        position.left = settings->readInteger(kSettingsSection, setting::X1.key, position.left);
        position.top = settings->readInteger(kSettingsSection, setting::Y1.key, position.top);
        outputFolder = defaultOutputFolder(programDirectory);
        storedOutputFolder = outputFolder;
        formCreated = true;
    }

    // The stored overlay region, brought into the strip when it does not fit.
    void readOverlayRegion() {
        OverlayRegion& region = overlay.region;
        region.X1 = settings->readInteger(kSettingsSection, setting::AlphaPicX1.key, region.X1);
        region.X2 = settings->readInteger(kSettingsSection, setting::AlphaPicX2.key, region.X2);
        region.Y1 = settings->readInteger(kSettingsSection, setting::AlphaPicY1.key, region.Y1);
        region.Y2 = settings->readInteger(kSettingsSection, setting::AlphaPicY2.key, region.Y2);
        region = clampOverlayRegion(region);
    }

    void makeLauncher() {
        if (config.converterLauncher) {
            launcher = config.converterLauncher;
        } else {
            ownedLauncher = config.converterPath ? std::make_unique<ProcessConverterLauncher>(
                                                       fs::absolute(*config.converterPath).string())
                                                 : std::make_unique<ProcessConverterLauncher>();
            launcher = ownedLauncher.get();
        }
        pipeline = std::make_unique<ConverterPipeline>(*launcher, workDir, programDirectory);
    }

    void formActivate() {
        formCreate();
        if (formActivated)
            return;
        // Once per program run, also when a step below fails: a second activation must not
        // start over on a half-made tree.
        formActivated = true;

        readOverlayRegion();
        OpenFolderWithDrawing = settings->readBool(
            kSettingsSection, setting::OpenFolderWithDrawing.key, OpenFolderWithDrawing);
        std::string road = settings->readString(kSettingsSection, setting::RoadDirFiles,
                                                storedOutputFolder.string());
        storedOutputFolder =
            road.empty() ? fs::path(defaultOutputFolder(programDirectory)) : fs::path(road);
        outputFolder = config.outputFolder ? *config.outputFolder : storedOutputFolder;
        settingsRead = true;
        strip.Label11.clear();
        strip.Label12.clear();
        strip.Label13.clear();

        // The work tree is this run's own: a second FELMO of the user stops here untouched.
        const std::string tree = currentWorkDir();
        workDirLock = std::make_unique<WorkDirLock>(tree);
        workDir = tree;
        workDirPath = workDir;
        createWorkTree(workDir);
        registerIndicatorGlyphs();
        makeLauncher();

        for (const MbmSlot& slot : kSlotTable) {
            const std::span<const std::uint8_t> graphics = embeddedDefaultMbm(slot.name);
            if (graphics.empty())
                throw Error("Нет встроенной графики для " + std::string(slot.name) + ".");
            writeFileAtomically(slotSourcePath(workDir, slot), graphics);
        }
        std::error_code error;
        if (fs::is_directory(outputFolder, error))
            FoundMbmNames = CopyUserMbmFiles(outputFolder.string(), workDir);

        pipeline->startUnpack();
        TimerStartEnabled = true;
    }

    // The finishing steps of the start-up unpacking: the previews are filled from the frames.
    void finishUnpack() {
        deleteUnpackedSources(workDir, FoundMbmNames);
        TimerStartEnabled = false;
        const fs::path statusArea = framePath(workDir, kSlotTable[kEidPicSlot], 4);
        stills.EidPicPicture.loadBmpFile(statusArea);
        stills.EidPicPicture1.loadBmpFile(statusArea);
        stills.EidPicPicture0.loadBmpFile(statusArea);
        stills.EidPicPictureAlpha.loadBmpFile(statusArea);
        stills.BackgroundPicture.loadBmpFile(
            framePath(workDir, kSlotTable[kBackgroundimageSlot], 0));
        stills.SplashEidPic.loadBmpFile(framePath(workDir, kSlotTable[kEidPicSlot], 0));
        // Unscaled, so the 12-row strips show only the top rows of the status area.
        const Raster& statusPicture = *stills.EidPicPicture.picture();
        stills.StartUpEidPicPicture.canvas().draw(0, 0, statusPicture);
        stills.WelcomeimageEidPicPicture.canvas().draw(0, 0, statusPicture);
        felmo::DrawDownLine(stills, strip, picked);
        stills.SplashscreenPicture.loadBmpFile(
            framePath(workDir, kSlotTable[kSplashscreenSlot], 0));
        stills.WelcomeimagePicture.loadBmpFile(
            framePath(workDir, kSlotTable[kWelcomeimageSlot], 0));
        preview.enableTimer2();
        deleteCommandFile(programDirectory);
    }

    // The finishing steps of a build: the files go to the output folder, then the notice.
    void finishPack() {
        TimerStartEnabled = false;
        deliverBuiltFiles(workDir, outputFolder.string(), programDirectory);
        frontEnd.showNotice(kBuildNotice);
        if (OpenFolderWithDrawing)
            frontEnd.openFolder(outputFolder);
    }

    void timerStartTimer() {
        if (!TimerStartEnabled || !pipelineRunning())
            return;
        const PipelinePhase phase = pipeline->phase();
        TickResult result;
        try {
            result = pipeline->tick();
        } catch (...) {
            TimerStartEnabled = false;
            throw;
        }
        if (result != TickResult::Finished)
            return;
        if (phase == PipelinePhase::Unpack)
            finishUnpack();
        else
            finishPack();
    }

    // The build's save step: the stills become their frames in the work tree.
    void saveStills() {
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

    void refuseWhilePipelineRuns(std::string_view what) const {
        if (pipelineRunning())
            throw Error(std::string(what) + " недоступно, пока работает конвертер (" +
                        pipeline->statusText() + ").");
    }

    void n7Click() {
        if (!formActivated || workDir.empty())
            throw Error("Создание графики недоступно: текущая графика ещё не распакована.");
        refuseWhilePipelineRuns("Создание графики");
        std::array<std::string, kSlotCount> slotBitDepth;
        for (int slot = 0; slot < kSlotCount; ++slot)
            slotBitDepth[slot] = depthTexts[static_cast<std::size_t>(kSlotDepthBox[slot])];
        saveStills();
        pipeline->startPack(slotBitDepth);
        TimerStartEnabled = true;
    }

    void exportFrames(const fs::path& folder) {
        requireWorkTree("Экспорт кадров");
        refuseWhilePipelineRuns("Экспорт кадров");
        saveStills();
        for (const MbmSlot& slot : kSlotTable) {
            const fs::path slotTarget = folder / std::string(slot.name);
            std::error_code error;
            fs::create_directories(slotTarget, error);
            if (error)
                throw Error(cannotCreateMessage(slotTarget, error.message()));
            for (int k = 0; k <= slot.lastFrameIndex; ++k)
                copyFileAtomically(framePath(workDir, slot, k),
                                   slotTarget / (std::to_string(k) + ".bmp"));
        }
    }

    void runPipelineToEnd(std::chrono::milliseconds perRunTimeout) {
        if (!pipelineRunning())
            return;
        pipeline->setSlotTimeout(perRunTimeout);
        constexpr std::chrono::milliseconds kTick{100};
        while (pipelineRunning()) {
            const ConverterState state = launcher->waitFor(kTick);
            const int slotBefore = pipeline->currentSlot();
            timerStartTimer();
            // A run that has ended but whose step did not advance is given a moment rather than a
            // busy loop (the pipeline itself gives up on it).
            if (pipelineRunning() && state.kind != ConverterState::Kind::Running &&
                pipeline->currentSlot() == slotBefore)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    void formClose(int left, int top) {
        if (pipelineRunning())
            pipeline->stop();
        TimerStartEnabled = false;
        if (!workDir.empty()) {
            DeleteTree(workDir);
            workDir.clear();
            workDirPath.clear();
        }
        workDirLock.reset();
        if (!settings)
            return;
        position = WindowPosition{left, top};
        // Every value is attempted; the first refusal is reported after the others.
        std::optional<Error> firstFailure;
        auto attempt = [&](auto write) {
            try {
                write();
            } catch (const Error& failure) {
                if (!firstFailure)
                    firstFailure = failure;
            }
        };
        attempt([&] { settings->writeInteger(kSettingsSection, setting::X1.key, left); });
        attempt([&] { settings->writeInteger(kSettingsSection, setting::Y1.key, top); });
        // Values never read (the start-up sequence did not get that far) are not overwritten.
        if (settingsRead) {
            attempt([&] {
                settings->writeBool(kSettingsSection, setting::OpenFolderWithDrawing.key,
                                    OpenFolderWithDrawing);
            });
            attempt([&] {
                settings->writeString(kSettingsSection, setting::RoadDirFiles,
                                      storedOutputFolder.string());
            });
        }
        if (firstFailure)
            throw *firstFailure;
    }
};

Studio::Studio(FrontEnd& frontEnd, StudioConfig config)
    : impl_(std::make_unique<Impl>(frontEnd, std::move(config))) {}

Studio::~Studio() {
    // A converter still running is not left behind; the tree stays for FormClose to remove.
    if (impl_->pipelineRunning())
        impl_->pipeline->stop();
}

WindowPosition Studio::FormCreate() {
    impl_->formCreate();
    return impl_->position;
}

void Studio::FormActivate() {
    impl_->formActivate();
}
bool Studio::formActivated() const {
    return impl_->formActivated;
}
void Studio::FormClose(int left, int top) {
    impl_->formClose(left, top);
}

void Studio::N7Click() {
    impl_->n7Click();
}
bool Studio::canCreate() const {
    return impl_->formActivated && !impl_->workDir.empty() && !impl_->pipelineRunning();
}

void Studio::WallPaper() {
    felmo::WallPaper(impl_->stills, impl_->load, impl_->strip, impl_->picked,
                     impl_->pictureChooser());
}
void Studio::Splashscreen1Click() {
    felmo::Splashscreen1Click(impl_->stills, impl_->load, impl_->picked, impl_->pictureChooser());
}
void Studio::LoadWelcomeimage() {
    felmo::LoadWelcomeimage(impl_->stills, impl_->load, impl_->pictureChooser());
}

void Studio::LoadImposingEidPic() {
    PicturesLoading(impl_->load, impl_->pictureChooser());
    impl_->stills.EidPicPictureAlpha.canvas().stretchDraw(kOverlayArea, impl_->load.LoadedPicture);
}
OverlaySettingsWindow& Studio::overlaySettings() {
    return impl_->overlayWindow;
}
const OverlaySettingsWindow& Studio::overlaySettings() const {
    return impl_->overlayWindow;
}
void Studio::SettingsImposingEidPic() {
    impl_->formCreate();
    impl_->overlayWindow.FormActivate(*impl_->settings);
}
void Studio::closeOverlaySettings() {
    impl_->formCreate();
    impl_->overlayWindow.FormClose(*impl_->settings);
}
bool Studio::TimerEidPicTimer() {
    return felmo::TimerEidPicTimer(impl_->overlay, impl_->stills, impl_->overlayWindow.controls(),
                                   impl_->strip, impl_->picked);
}
bool Studio::timerEidPicEnabled() const {
    return true;
}

void Studio::setTrackBar1(int position) {
    impl_->strip.TrackBar1 = std::clamp(position, 0, kTrackBar1Max);
    DrawDownLine();
}
int Studio::trackBar1() const {
    return impl_->strip.TrackBar1;
}
void Studio::DrawDownLine() {
    felmo::DrawDownLine(impl_->stills, impl_->strip, impl_->picked);
}
void Studio::LinesPictureClick() {
    felmo::LinesPictureClick(impl_->stills, impl_->strip, impl_->picked, impl_->colourChooser());
}

void Studio::exportFrames(const std::filesystem::path& folder) {
    impl_->exportFrames(folder);
}

void Studio::runEffect(const MenuEntry& entry) {
    if (!entry.handler)
        throw Error("\"" + std::string(entry.caption) + "\" открывает подменю, это не эффект.");
    if (!isEffectImplemented(*entry.handler))
        throw Error("Эффект \"" + std::string(entry.caption) + "\" (" +
                    std::string(handlerName(*entry.handler)) + ") пока недоступен.");
    impl_->requireWorkTree("Эффект \"" + std::string(entry.caption) + "\"");
    EffectContext context{impl_->workDirPath,      impl_->work,   impl_->stills,  impl_->load,
                          impl_->pictureChooser(), impl_->random, impl_->preview, impl_->picked};
    felmo::runEffect(context, entry);
}

void Studio::TimerStartTimer() {
    impl_->timerStartTimer();
}
bool Studio::timerStartEnabled() const {
    return impl_->TimerStartEnabled;
}

void Studio::Timer2Timer() {
    if (!impl_->preview.timer2Enabled() || impl_->workDir.empty())
        return;
    felmo::Timer2Timer(impl_->preview, impl_->StartUpPicture, impl_->workDirPath);
}
bool Studio::timer2Enabled() const {
    return impl_->preview.timer2Enabled();
}

int Studio::converterCompletionFd() const {
    return impl_->pipelineRunning() ? impl_->pipeline->exitNotifier() : -1;
}
void Studio::onConverterExited() {
    impl_->timerStartTimer();
}
void Studio::runPipelineToEnd(std::chrono::milliseconds perRunTimeout) {
    impl_->runPipelineToEnd(perRunTimeout);
}

bool Studio::pipelineRunning() const {
    return impl_->pipelineRunning();
}
std::string Studio::pipelineStatus() const {
    return impl_->pipelineRunning() ? impl_->pipeline->statusText() : std::string();
}

void Studio::setSlotBitDepthText(DepthBox box, std::string text) {
    impl_->depthTexts[static_cast<std::size_t>(box)] = std::move(text);
}
const std::string& Studio::slotBitDepthText(DepthBox box) const {
    return impl_->depthTexts[static_cast<std::size_t>(box)];
}

const std::filesystem::path& Studio::outputFolder() const {
    return impl_->outputFolder;
}
void Studio::setOutputFolder(std::filesystem::path folder) {
    impl_->outputFolder = folder;
    impl_->storedOutputFolder = std::move(folder);
}
bool Studio::openFolderWithDrawing() const {
    return impl_->OpenFolderWithDrawing;
}
void Studio::setOpenFolderWithDrawing(bool open) {
    impl_->OpenFolderWithDrawing = open;
}

const std::filesystem::path& Studio::programDirectory() const {
    return impl_->programDirectoryPath;
}
const std::filesystem::path& Studio::settingsFile() const {
    return impl_->settingsPath;
}
const std::filesystem::path& Studio::workDir() const {
    return impl_->workDirPath;
}

const Image& Studio::EidPicPicture() const {
    return impl_->stills.EidPicPicture;
}
const Image& Studio::BackgroundPicture() const {
    return impl_->stills.BackgroundPicture;
}
const Image& Studio::LinesPicture() const {
    return impl_->stills.LinesPicture;
}
const Image& Studio::SplashEidPic() const {
    return impl_->stills.SplashEidPic;
}
const Image& Studio::SplashscreenPicture() const {
    return impl_->stills.SplashscreenPicture;
}
const Image& Studio::StartUpEidPicPicture() const {
    return impl_->stills.StartUpEidPicPicture;
}
const Image& Studio::StartUpPicture() const {
    return impl_->StartUpPicture;
}
const Image& Studio::WelcomeimageEidPicPicture() const {
    return impl_->stills.WelcomeimageEidPicPicture;
}
const Image& Studio::WelcomeimagePicture() const {
    return impl_->stills.WelcomeimagePicture;
}
const Image& Studio::EidPicPicture0() const {
    return impl_->stills.EidPicPicture0;
}
const Image& Studio::EidPicPicture1() const {
    return impl_->stills.EidPicPicture1;
}
const Image& Studio::EidPicPictureAlpha() const {
    return impl_->stills.EidPicPictureAlpha;
}

const std::string& Studio::Label11() const {
    return impl_->strip.Label11;
}
const std::string& Studio::Label12() const {
    return impl_->strip.Label12;
}
const std::string& Studio::Label13() const {
    return impl_->strip.Label13;
}
Color Studio::StripColour() const {
    return impl_->strip.StripColour;
}
int Studio::PreviewFrame() const {
    return impl_->preview.PreviewFrame;
}

}  // namespace felmo
