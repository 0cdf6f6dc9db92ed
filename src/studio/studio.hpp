// Studio: the main window of FELMO without the window. It owns every picture the windows show,
// the settings, the work tree and the converter pipelines, and offers the window's handlers under
// their own names (FormCreate, FormActivate, N7Click, WallPaper, ...). A front end binds its
// controls to these calls and paints the images it reads back; what only a front end can do (the
// picture and colour dialogs, the notice, opening a folder) reaches it through FrontEnd.
//
// Threading: everything runs on one thread. Timers are not threads: the front end calls the tick
// bodies (TimerStartTimer every 100 ms while timerStartEnabled(), Timer2Timer every 125 ms while
// timer2Enabled(), TimerEidPicTimer every 10 ms while timerEidPicEnabled(), and the overlay
// window's Timer1Timer every 50 ms while overlaySettings().timer1Enabled()). Between ticks a front
// end may also wait on converterCompletionFd() and call onConverterExited() to advance the pipeline
// as soon as a converter run ends.
//
// Errors: every handler that fails throws felmo::Error carrying the complete user-facing text
// (naming the file and the reason). The front end shows it and goes on; the model stays usable.
#pragma once

#include <array>
#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "compose/overlay_settings.hpp"
#include "effects/effect_table.hpp"
#include "raster/color.hpp"
#include "raster/image.hpp"

namespace felmo {

class ConverterLauncher;
class FrontEnd;

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
    // The work tree's root comes from TMPDIR (default /tmp) by the workspace rules.
};

// The main window's position, as stored in the settings (X1, Y1).
struct WindowPosition {
    int left = 215;
    int top = 111;
};

// The four bit-depth boxes of the main window. BackgroundPictureBit sets both the EidPic and the
// backgroundimage depth.
enum class DepthBox {
    StartUpPictureBit,
    BackgroundPictureBit,
    SplashscreenPictureBit,
    WelcomeimagePictureBit,
};

class Studio {
  public:
    Studio(FrontEnd& frontEnd, StudioConfig config);
    ~Studio();
    Studio(const Studio&) = delete;
    Studio& operator=(const Studio&) = delete;

    // --- Program start and close ---------------------------------------------------------------

    // Opens the settings file and reads the window position X1, Y1 (215, 111 when absent).
    WindowPosition FormCreate();

    // The start-up sequence; runs once per program run (later calls do nothing). Reads the
    // remaining settings, takes the work tree (refused with a clear error when another FELMO of
    // this user holds it), writes the five embedded defaults, copies the user's .mbm files from
    // the output folder over them and starts the unpack pipeline. The previews are filled when
    // the pipeline finishes (inside a TimerStartTimer / onConverterExited call).
    void FormActivate();
    bool formActivated() const;

    // Close: deletes the work tree, writes X1, Y1, OpenFolderWithDrawing and RoadDirFiles. A
    // settings write that fails throws after everything else is done: the front end reports it
    // and still closes. Safe to call more than once; later calls only write the settings again.
    void FormClose(int left, int top);

    // --- Commands of the main window -----------------------------------------------------------

    // "Создать": saves the stills as frames and starts the build pipeline; the five files are
    // delivered when it finishes. Refused (felmo::Error) while a pipeline runs.
    void N7Click();
    // Whether Create is offered now (the start-up sequence has run and no pipeline is running).
    bool canCreate() const;

    // The load commands of "Загрузить": each asks FrontEnd::choosePicture for the picture.
    void WallPaper();
    void Splashscreen1Click();
    void LoadWelcomeimage();

    // --- The EidPic overlay --------------------------------------------------------------------

    // "Наложение на EidPic": asks FrontEnd::choosePicture for the overlay picture and stretches it,
    // aspect ratio not kept, into (0, 0)-(176, 68) of EidPicPictureAlpha. A cancelled dialog draws
    // nothing and keeps the previous overlay picture; either way the front end then shows the
    // overlay window (SettingsImposingEidPic). A picture that cannot be read throws and the
    // window is not to be shown.
    void LoadImposingEidPic();
    // The overlay settings window's model (TForm4), alive as long as the Studio. The front end
    // binds its controls to it.
    OverlaySettingsWindow& overlaySettings();
    const OverlaySettingsWindow& overlaySettings() const;
    // "Настройки" -> "Наложения на EidPic" and the end of LoadImposingEidPic: the window is shown;
    // this is its activation (reads the stored slider values, marks the overlay dirty). Call it
    // each time the window is shown.
    void SettingsImposingEidPic();
    // The overlay window closes: its values (sliders, region, check box) are written to the
    // settings. A refused write throws felmo::Error after the other values have been attempted.
    void closeOverlaySettings();
    // TimerEidPic (10 ms, enabled from program start): when the overlay window has marked the
    // overlay dirty, composes the overlay into EidPicPicture1 and the preview EidPicPicture.
    // Returns whether it composed (the front end then repaints the status-area preview).
    bool TimerEidPicTimer();
    bool timerEidPicEnabled() const;

    // The strip colour: the slider TrackBar1 (0 ... 15) runs DrawDownLine; a click on the strip
    // asks FrontEnd::chooseColour.
    void setTrackBar1(int position);
    int trackBar1() const;
    void DrawDownLine();
    void LinesPictureClick();

    // Writes the current frames into `folder`, keeping the slot folders (startup/0.bmp ...
    // startup/11.bmp, EidPic/0.bmp ... 4.bmp, backgroundimage/0.bmp and 1.bmp, Splashscreen/0.bmp,
    // Welcomeimage/0.bmp): exactly what a build would pack now, the stills saved from the
    // pictures as the build saves them. Refused while a pipeline runs.
    void exportFrames(const std::filesystem::path& folder);

    // One item of the "Анимация" menu, by its table entry. Throws felmo::Error for an entry whose
    // handler is not built yet (isEffectImplemented) or that opens a sub-menu.
    void runEffect(const MenuEntry& entry);

    // --- Timers and the converter --------------------------------------------------------------

    // TimerStart (100 ms): one step of the running pipeline. A converter that could not start,
    // failed, or ended without leaving its file stops the pipeline with felmo::Error naming the
    // slot; nothing is deleted then.
    void TimerStartTimer();
    bool timerStartEnabled() const;
    // Timer2 (125 ms): the animation preview shows the next frame file in StartUpPicture.
    void Timer2Timer();
    bool timer2Enabled() const;

    // A descriptor that becomes readable when the running converter process ends; -1 when none
    // runs. Valid until the next call into Studio.
    int converterCompletionFd() const;
    // The converter process has ended: runs the pipeline step at once (as a tick would).
    void onConverterExited();
    // For headless use: waits for each converter run and steps the pipeline until it has
    // finished. Throws felmo::Error when a step fails or when one converter run takes longer than
    // `perRunTimeout` (the pipeline is stopped then).
    void runPipelineToEnd(std::chrono::milliseconds perRunTimeout = std::chrono::seconds(60));

    bool pipelineRunning() const;
    // "Распаковка startup… 1/5", "Упаковка EidPic… 2/5"; empty when no pipeline runs.
    std::string pipelineStatus() const;

    // --- Settings the windows edit -------------------------------------------------------------

    // Bit-depth box texts, used verbatim in the command file ("16" at start).
    void setSlotBitDepthText(DepthBox box, std::string text);
    const std::string& slotBitDepthText(DepthBox box) const;

    // The output folder (RoadDirFiles) and the check box OpenFolderWithDrawing of the program
    // settings window; both are written at close.
    const std::filesystem::path& outputFolder() const;
    void setOutputFolder(std::filesystem::path folder);
    bool openFolderWithDrawing() const;
    void setOpenFolderWithDrawing(bool open);

    // Where things live (valid after FormCreate / FormActivate respectively).
    const std::filesystem::path& programDirectory() const;
    const std::filesystem::path& settingsFile() const;
    // Empty until FormActivate has taken the work tree.
    const std::filesystem::path& workDir() const;

    // --- What the windows show -----------------------------------------------------------------

    const Image& EidPicPicture() const;
    const Image& BackgroundPicture() const;
    const Image& LinesPicture() const;
    const Image& SplashEidPic() const;
    const Image& SplashscreenPicture() const;
    const Image& StartUpEidPicPicture() const;
    const Image& StartUpPicture() const;
    const Image& WelcomeimageEidPicPicture() const;
    const Image& WelcomeimagePicture() const;
    // Hidden work images of the status area (the composed strip is what the build saves).
    const Image& EidPicPicture0() const;
    const Image& EidPicPicture1() const;
    const Image& EidPicPictureAlpha() const;

    // The colour-code labels under the strip: "R = 12", "G = 0", "B = 255" (empty at start).
    const std::string& Label11() const;
    const std::string& Label12() const;
    const std::string& Label13() const;
    Color StripColour() const;

    // Index of the next frame the preview shows (0 ... 11).
    int PreviewFrame() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace felmo
