// Studio: the main window of FELMO without the window. It wires three parts together and offers
// the window's handlers under their own names (FormCreate, FormActivate, N7Click, WallPaper, ...):
//   - the Session (session.hpp): program directory, settings, work tree, defaults, the user's
//   files;
//   - the BuildDriver (build_driver.hpp): the unpack and pack pipelines, saving the stills, export;
//   - the Document (document.hpp): every picture and the state the commands and effects share.
// A front end binds its controls to the handlers, reads what it paints from document(), and reaches
// the session's and the driver's own settings and status through session() and build(). What only
// a front end can do (the picture and colour dialogs, the notice, opening a folder) reaches the
// model through FrontEnd.
//
// Threading: everything runs on one thread. Timers are not threads: the front end calls the tick
// bodies (TimerStartTimer every 100 ms while build().timerStartEnabled(), Timer2Timer every 125 ms
// while document().preview.timer2Enabled(), TimerEidPicTimer every 10 ms from program start, and
// the overlay window's Timer1Timer every 50 ms while overlaySettings().timer1Enabled()). Between
// ticks a front end may also wait on build().completionHandle() and call TimerStartTimer as soon as
// a converter run ends.
//
// Errors: every handler that fails throws felmo::Error carrying the complete user-facing text
// (naming the file and the reason). The front end shows it and goes on; the model stays usable.
#pragma once

#include <optional>

#include "effects/effect_table.hpp"
#include "studio/build_driver.hpp"
#include "studio/document.hpp"
#include "studio/overlay_settings_window.hpp"
#include "studio/session.hpp"

namespace felmo {

class FrontEnd;

// Overlay values given directly (by the command line); what is not given keeps its stored value.
struct OverlayValues {
    std::optional<int> alpha;  // TrackBarAlpha, 0..255
    std::optional<int> up;     // TrackBarU, TrackBarD, TrackBarL, TrackBarR, 0..37 each
    std::optional<int> down;
    std::optional<int> left;
    std::optional<int> right;
    std::optional<OverlayRegion> region;  // brought into the strip when it does not fit
    std::optional<bool> keepBackground;   // DeduceBackground
};

class Studio {
  public:
    Studio(FrontEnd& frontEnd, const StudioConfig& config);
    Studio(const Studio&) = delete;
    Studio& operator=(const Studio&) = delete;

    // --- Program start and close ---------------------------------------------------------------

    // Opens the settings file and reads the window position X1, Y1 (215, 111 when absent).
    WindowPosition FormCreate();

    // The start-up sequence; runs once per program run (later calls do nothing). Reads the
    // remaining settings, takes the work tree (refused with a clear error when another FELMO of
    // this user holds it), writes the five embedded defaults, copies the user's .mbm files from
    // the output folder over them and starts the unpack pipeline. The previews are filled when
    // the pipeline finishes (inside a TimerStartTimer call).
    void FormActivate();
    bool formActivated() const { return formActivated_; }

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

    // One item of the "Анимация" menu, by its table entry. Throws felmo::Error for an entry that
    // opens a sub-menu, or before the work tree exists. A preview that played before the command
    // plays after it, also when the command failed.
    void runEffect(const MenuEntry& entry);

    // --- The EidPic overlay --------------------------------------------------------------------

    // "Наложение на EidPic": asks FrontEnd::choosePicture for the overlay picture and stretches it,
    // aspect ratio not kept, into (0, 0)-(176, 68) of EidPicPictureAlpha. A cancelled dialog draws
    // nothing and keeps the previous overlay picture; either way the front end then shows the
    // overlay window (SettingsImposingEidPic). A picture that cannot be read throws and the
    // window is not to be shown.
    void LoadImposingEidPic();
    // The overlay settings window's model, alive as long as the Studio. The front end binds its
    // controls to it.
    OverlaySettingsWindow& overlaySettings() { return overlayWindow_; }
    const OverlaySettingsWindow& overlaySettings() const { return overlayWindow_; }
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
    // The overlay set without its window: the stored control values with `values` put over them
    // (each clamped into its slider's range), the region when given, then the overlay is composed
    // at once and every value is written to the settings as the window's close writes them.
    void setOverlay(const OverlayValues& values);

    // --- The bottom strip ----------------------------------------------------------------------

    // The slider TrackBar1 (0 ... 15) runs DrawDownLine; a click on the strip asks
    // FrontEnd::chooseColour.
    void setTrackBar1(int position);
    void DrawDownLine();
    void LinesPictureClick();

    // --- Timers --------------------------------------------------------------------------------

    // TimerStart (100 ms), and the end of a converter run: one step of the running pipeline.
    void TimerStartTimer();
    // Timer2 (125 ms): the animation preview shows the next frame file in StartUpPicture.
    void Timer2Timer();

    // --- The parts -----------------------------------------------------------------------------

    Session& session() { return session_; }
    const Session& session() const { return session_; }
    BuildDriver& build() { return build_; }
    const BuildDriver& build() const { return build_; }
    // What the windows show.
    const Document& document() const { return document_; }

  private:
    FrontEnd& frontEnd_;
    Session session_;
    Document document_;
    OverlaySettingsWindow overlayWindow_{document_.overlay};
    BuildDriver build_;
    bool formActivated_ = false;
};

}  // namespace felmo
