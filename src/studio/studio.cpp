#include "studio/studio.hpp"

#include <algorithm>

#include "base/error.hpp"
#include "base/translation.hpp"
#include "compose/indicator_glyph.hpp"
#include "compose/picture_fitting.hpp"
#include "effects/run_effect.hpp"
#include "studio/front_end.hpp"

namespace felmo {
namespace {

// Where the overlay picture is stretched to: the whole strip.
constexpr Rect kOverlayArea{0, 0, kOverlayStripWidth, kOverlayStripHeight};

}  // namespace

Studio::Studio(FrontEnd& frontEnd, const StudioConfig& config)
    : frontEnd_(frontEnd),
      session_(config),
      build_(session_, document_, frontEnd, config.converterLauncher, config.converterPath,
             config.limits, config.clock ? *config.clock : steadyClock()) {}

WindowPosition Studio::FormCreate() {
    return session_.open();
}

void Studio::FormActivate() {
    session_.open();
    if (formActivated_)
        return;
    // Once per program run, also when a step below fails: a second activation must not start
    // over on a half-made tree.
    formActivated_ = true;
    build_.beginStartUp();

    // The stored overlay region, brought into the strip when it does not fit.
    const Settings& settings = session_.settings();
    OverlayRegion& region = document_.overlay.region;
    region.X1 = settings.readInteger(kSettingsSection, setting::AlphaPicX1.key, region.X1);
    region.X2 = settings.readInteger(kSettingsSection, setting::AlphaPicX2.key, region.X2);
    region.Y1 = settings.readInteger(kSettingsSection, setting::AlphaPicY1.key, region.Y1);
    region.Y2 = settings.readInteger(kSettingsSection, setting::AlphaPicY2.key, region.Y2);
    region = clampOverlayRegion(region);

    session_.readStoredValues();
    document_.strip.redLabel.clear();
    document_.strip.greenLabel.clear();
    document_.strip.blueLabel.clear();

    std::vector<std::string> foundMbmNames = session_.takeWorkTree();
    build_.startUnpack(std::move(foundMbmNames));
}

void Studio::FormClose(int left, int top) {
    build_.stop();
    session_.releaseWorkTree();
    session_.writeStoredValues(WindowPosition{left, top});
}

void Studio::N7Click() {
    if (!formActivated_ || !session_.hasWorkTree())
        throw Error(_("Создание графики недоступно: текущая графика ещё не распакована."));
    build_.startBuild();
}

bool Studio::canCreate() const {
    return formActivated_ && session_.hasWorkTree() && !build_.running();
}

void Studio::WallPaper() {
    felmo::WallPaper(document_.stills, document_.load, document_.strip, document_.picked,
                     [this] { return frontEnd_.choosePicture(); });
}

void Studio::Splashscreen1Click() {
    felmo::Splashscreen1Click(document_.stills, document_.load, document_.picked,
                              [this] { return frontEnd_.choosePicture(); });
}

void Studio::LoadWelcomeimage() {
    felmo::LoadWelcomeimage(document_.stills, document_.load,
                            [this] { return frontEnd_.choosePicture(); });
}

void Studio::runEffect(const MenuEntry& entry) {
    if (!entry.handler)
        throw Error(
            formatMessage(_("\"%1\" открывает подменю, это не эффект."), menuCaption(entry)));
    session_.requireWorkTree(formatMessage(_("Эффект \"%1\""), menuCaption(entry)));
    EffectContext context =
        document_.effectContext(session_.workDir(), [this] { return frontEnd_.choosePicture(); });
    // After the command, successful or not, the preview plays the frames that are on disk: an
    // effect that stopped it must not leave it stopped because its picture or a frame failed.
    const bool previewPlaying = document_.preview.timer2Enabled();
    try {
        felmo::runEffect(context, entry);
    } catch (...) {
        if (previewPlaying)
            document_.preview.enableTimer2();
        throw;
    }
}

void Studio::LoadImposingEidPic() {
    PicturesLoading(
        document_.load, [this] { return frontEnd_.choosePicture(); },
        TransparentPixels::OverlayKey);
    document_.stills.EidPicPictureAlpha.canvas().stretchDraw(kOverlayArea,
                                                             document_.load.LoadedPicture);
}

void Studio::SettingsImposingEidPic() {
    overlayWindow_.FormActivate(session_.settings());
}

void Studio::closeOverlaySettings() {
    overlayWindow_.FormClose(session_.settings());
}

bool Studio::TimerEidPicTimer() {
    return felmo::TimerEidPicTimer(document_.overlay, document_.stills, document_.strip,
                                   document_.picked);
}

void Studio::setOverlay(const OverlayValues& values) {
    Settings& settings = session_.settings();
    OverlayControls controls = readOverlayControls(settings, document_.overlay.controls);
    auto put = [](int& control, std::optional<int> value, int max) {
        if (value)
            control = std::clamp(*value, 0, max);
    };
    put(controls.TrackBarAlpha, values.alpha, kTrackBarAlphaMax);
    put(controls.TrackBarU, values.up, kEdgeSliderMax);
    put(controls.TrackBarD, values.down, kEdgeSliderMax);
    put(controls.TrackBarL, values.left, kEdgeSliderMax);
    put(controls.TrackBarR, values.right, kEdgeSliderMax);
    if (values.keepBackground)
        controls.DeduceBackground = *values.keepBackground;
    document_.overlay.controls = controls;
    // The window's bars and labels follow a region placed from outside.
    if (values.region)
        overlayWindow_.setRegion(*values.region);
    document_.overlay.OverlayDirty = false;
    ImposingDrawAlpha(document_.stills, document_.overlay.region, controls, document_.strip,
                      document_.picked);
    writeOverlaySettings(settings, document_.overlay);
}

void Studio::setTrackBar1(int position) {
    document_.strip.TrackBar1 = std::clamp(position, 0, kTrackBar1Max);
    DrawDownLine();
}

void Studio::DrawDownLine() {
    felmo::DrawDownLine(document_.stills, document_.strip, document_.picked);
}

void Studio::LinesPictureClick() {
    felmo::LinesPictureClick(document_.stills, document_.strip, document_.picked,
                             [this](Color initial) { return frontEnd_.chooseColour(initial); });
}

void Studio::TimerStartTimer() {
    build_.tick();
}

void Studio::Timer2Timer() {
    if (!document_.preview.timer2Enabled() || !session_.hasWorkTree())
        return;
    felmo::Timer2Timer(document_.preview, document_.StartUpPicture, session_.workDir());
}

}  // namespace felmo
