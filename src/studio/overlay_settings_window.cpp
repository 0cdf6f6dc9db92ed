#include "studio/overlay_settings_window.hpp"

#include <algorithm>
#include <exception>

#include "base/first_failure.hpp"
#include "workspace/settings.hpp"

namespace felmo {
namespace {

constexpr int W = kOverlayStripWidth;
constexpr int H = kOverlayStripHeight;

std::string padded(int value) {
    const std::string text = std::to_string(value);
    if (value < 10)
        return "00" + text;
    if (value < 100)
        return "0" + text;
    return text;
}

}  // namespace

std::string FormatPair(int first, int second) {
    return padded(first) + " x " + padded(second);
}

// Counts the nesting of public calls; the outermost one reports a change when it ends.
class OverlaySettingsWindow::ChangeScope {
  public:
    explicit ChangeScope(OverlaySettingsWindow& window)
        : window_(window),
          revisionBefore_(window.revision_),
          exceptionsBefore_(std::uncaught_exceptions()) {
        ++window_.depth_;
    }
    ~ChangeScope() {
        if (--window_.depth_ == 0 && window_.revision_ != revisionBefore_ && window_.onChange_ &&
            std::uncaught_exceptions() == exceptionsBefore_)
            window_.onChange_();
    }
    ChangeScope(const ChangeScope&) = delete;
    ChangeScope& operator=(const ChangeScope&) = delete;

  private:
    OverlaySettingsWindow& window_;
    std::uint64_t revisionBefore_;
    int exceptionsBefore_;
};

OverlaySettingsWindow::OverlaySettingsWindow(OverlayState& overlay) : overlay_(overlay) {}

namespace {

// The slider of one edge, in the controls the window shows.
template <typename Controls>
auto& edgeSlider(Controls& controls, Edge edge) {
    switch (edge) {
        case Edge::Up:
            return controls.TrackBarU;
        case Edge::Down:
            return controls.TrackBarD;
        case Edge::Left:
            return controls.TrackBarL;
        case Edge::Right:
            break;
    }
    return controls.TrackBarR;
}

}  // namespace

int OverlaySettingsWindow::edge(Edge edge) const {
    return edgeSlider(overlay_.controls, edge);
}

// --- Controls ----------------------------------------------------------------------------------

void OverlaySettingsWindow::setSlider(int& position, int max, int value) {
    value = std::clamp(value, 0, max);
    if (value == position)
        return;
    position = value;
    changed();
    TransparencyChangeEidPic();
}

void OverlaySettingsWindow::setScrollPosition(BarState& bar, int value) {
    value = std::clamp(value, bar.min, bar.max);
    if (value == bar.position)
        return;
    bar.position = value;
    changed();
    TransparencyChangeEidPic();
}

void OverlaySettingsWindow::setScrollMax(BarState& bar, int value) {
    // A maximum below the minimum cannot come from a region inside the strip; it is kept at the
    // minimum rather than leaving the bar without a valid position.
    value = std::max(value, bar.min);
    if (value != bar.max) {
        bar.max = value;
        changed();
    }
    if (bar.position > bar.max)
        setScrollPosition(bar, bar.max);
}

void OverlaySettingsWindow::setCheckBox(bool checked) {
    if (checked == overlay_.controls.DeduceBackground)
        return;
    overlay_.controls.DeduceBackground = checked;
    changed();
    TransparencyChangeEidPic();
}

void OverlaySettingsWindow::setCoordinatesArea(std::string text) {
    if (text == coordinatesArea_)
        return;
    coordinatesArea_ = std::move(text);
    changed();
}

void OverlaySettingsWindow::setSizeArea(std::string text) {
    if (text == sizeArea_)
        return;
    sizeArea_ = std::move(text);
    changed();
}

void OverlaySettingsWindow::markDirty() {
    if (overlay_.OverlayDirty)
        return;
    overlay_.OverlayDirty = true;
    changed();
}

void OverlaySettingsWindow::moveRegionToScrollBars(bool vertically) {
    OverlayRegion& r = overlay_.region;
    const OverlayRegion before = r;
    const int left = scrollBarLeftRight_.position;
    r.X2 = left + r.X2 - r.X1;
    r.X1 = left;
    if (vertically) {
        const int top = scrollBarUpDown_.position;
        r.Y2 = top + r.Y2 - r.Y1;
        r.Y1 = top;
    }
    if (r != before)
        changed();
}

// --- The user's actions ------------------------------------------------------------------------

void OverlaySettingsWindow::setTrackBarAlpha(int position) {
    ChangeScope scope(*this);
    setSlider(overlay_.controls.TrackBarAlpha, kTrackBarAlphaMax, position);
}

void OverlaySettingsWindow::setEdge(Edge edge, int position) {
    ChangeScope scope(*this);
    setSlider(edgeSlider(overlay_.controls, edge), kEdgeSliderMax, position);
}

void OverlaySettingsWindow::setScrollBarLeftRight(int position) {
    ChangeScope scope(*this);
    setScrollPosition(scrollBarLeftRight_, position);
}

void OverlaySettingsWindow::setScrollBarUpDown(int position) {
    ChangeScope scope(*this);
    setScrollPosition(scrollBarUpDown_, position);
}

void OverlaySettingsWindow::setDeduceBackground(bool checked) {
    ChangeScope scope(*this);
    setCheckBox(checked);
}

void OverlaySettingsWindow::setRegion(const OverlayRegion& region) {
    ChangeScope scope(*this);
    OverlayRegion& r = overlay_.region;
    const OverlayRegion fitted = clampOverlayRegion(region);
    if (fitted != r) {
        r = fitted;
        changed();
    }
    // The bars are ranged to the region before their positions are set, so that no clamping of
    // an old range moves it.
    const BarState leftRight{0, W - (r.X2 - r.X1), r.X1};
    const BarState upDown{0, H - (r.Y2 - r.Y1), r.Y1};
    if (leftRight != scrollBarLeftRight_ || upDown != scrollBarUpDown_) {
        scrollBarLeftRight_ = leftRight;
        scrollBarUpDown_ = upDown;
        changed();
    }
    InstallationValues();
    setCoordinatesArea(FormatPair(r.X1, r.Y1));
    setSizeArea(FormatPair(r.X2 - r.X1, r.Y2 - r.Y1));
    markDirty();
}

// --- Handlers ----------------------------------------------------------------------------------

void OverlaySettingsWindow::TransparencyChangeEidPic() {
    ChangeScope scope(*this);
    markDirty();
    setCoordinatesArea(FormatPair(scrollBarLeftRight_.position, scrollBarUpDown_.position));
    moveRegionToScrollBars(true);
}

void OverlaySettingsWindow::ConditionSizeAlpha() {
    ChangeScope scope(*this);
    OverlayRegion& r = overlay_.region;
    const SizeStep step = resizeOverlayRegion(r, sizeButtonTag_, sizeStepSide_);
    sizeStepSide_ = step.side;
    changed();  // at least SizeStepSide has flipped
    if (step.region != r) {
        r = step.region;
        changed();
    }
    InstallationValues();
    markDirty();
    setSizeArea(FormatPair(r.X2 - r.X1, r.Y2 - r.Y1));
}

void OverlaySettingsWindow::InstallationValues() {
    ChangeScope scope(*this);
    OverlayRegion& r = overlay_.region;
    const int x1 = r.X1;
    const int x2 = r.X2;
    // Either call may move the bar and so run the change handler, which moves the region to both
    // bars; the columns are put back afterwards.
    setScrollPosition(scrollBarUpDown_, r.Y1);
    setScrollMax(scrollBarUpDown_, r.Y1 + H - r.Y2);
    if (r.X1 != x1 || r.X2 != x2) {
        r.X1 = x1;
        r.X2 = x2;
        changed();
    }
    setScrollMax(scrollBarLeftRight_, r.X1 + W - r.X2);
    setScrollPosition(scrollBarLeftRight_, r.X1);

    const BarState upDown{0, H, std::clamp(r.Y2 - r.Y1, 0, H)};
    const BarState leftRight{0, W, std::clamp(r.X2 - r.X1, 0, W)};
    if (upDown != progressBarUpDown_ || leftRight != progressBarLeftRight_) {
        progressBarUpDown_ = upDown;
        progressBarLeftRight_ = leftRight;
        changed();
    }
}

void OverlaySettingsWindow::SizeAlphaMouseDown(int tag) {
    if (tag < kSizeButtonNarrower || tag > kSizeButtonShorter)
        return;
    ChangeScope scope(*this);
    sizeButtonTag_ = tag;
    moveRegionToScrollBars(true);
    ConditionSizeAlpha();
    if (!timer1Enabled_) {
        timer1Enabled_ = true;
        changed();
    }
}

void OverlaySettingsWindow::SizeAlphaMouseUp() {
    ChangeScope scope(*this);
    if (timer1Enabled_) {
        timer1Enabled_ = false;
        changed();
    }
}

void OverlaySettingsWindow::Timer1Timer() {
    if (!timer1Enabled_)
        return;
    ChangeScope scope(*this);
    moveRegionToScrollBars(false);
    ConditionSizeAlpha();
}

void OverlaySettingsWindow::FormActivate(const Settings& settings) {
    ChangeScope scope(*this);
    const OverlayRegion& r = overlay_.region;
    InstallationValues();
    setCoordinatesArea(FormatPair(r.X1, r.Y1));
    setSizeArea(FormatPair(r.X2 - r.X1, r.Y2 - r.Y1));
    markDirty();

    const OverlayControls stored = readOverlayControls(settings, overlay_.controls);
    OverlayControls& controls = overlay_.controls;
    setSlider(controls.TrackBarU, kEdgeSliderMax, stored.TrackBarU);
    setSlider(controls.TrackBarD, kEdgeSliderMax, stored.TrackBarD);
    setSlider(controls.TrackBarL, kEdgeSliderMax, stored.TrackBarL);
    setSlider(controls.TrackBarR, kEdgeSliderMax, stored.TrackBarR);
    setSlider(controls.TrackBarAlpha, kTrackBarAlphaMax, stored.TrackBarAlpha);
    setCheckBox(stored.DeduceBackground);
}

void OverlaySettingsWindow::FormClose(Settings& settings) {
    ChangeScope scope(*this);
    // A button still held when the window goes cannot be released on it any more.
    SizeAlphaMouseUp();

    writeOverlaySettings(settings, overlay_);
}

OverlayControls readOverlayControls(const Settings& settings, const OverlayControls& current) {
    auto stored = [&](const IntegerSetting& key, int value, int max) {
        return std::clamp(settings.readInteger(kSettingsSection, key.key, value), 0, max);
    };
    OverlayControls controls;
    controls.TrackBarU = stored(setting::TrackBarU, current.TrackBarU, kEdgeSliderMax);
    controls.TrackBarD = stored(setting::TrackBarD, current.TrackBarD, kEdgeSliderMax);
    controls.TrackBarL = stored(setting::TrackBarL, current.TrackBarL, kEdgeSliderMax);
    controls.TrackBarR = stored(setting::TrackBarR, current.TrackBarR, kEdgeSliderMax);
    controls.TrackBarAlpha =
        stored(setting::TrackBarAlpha, current.TrackBarAlpha, kTrackBarAlphaMax);
    controls.DeduceBackground = settings.readBool(kSettingsSection, setting::DeduceBackground.key,
                                                  current.DeduceBackground);
    return controls;
}

void writeOverlaySettings(Settings& settings, const OverlayState& overlay) {
    const OverlayControls& controls = overlay.controls;
    const OverlayRegion& r = overlay.region;
    FirstFailure writes;
    auto write = [&](const IntegerSetting& key, int value) {
        writes.attempt([&] { settings.writeInteger(kSettingsSection, key.key, value); });
    };
    write(setting::TrackBarU, controls.TrackBarU);
    write(setting::TrackBarD, controls.TrackBarD);
    write(setting::TrackBarL, controls.TrackBarL);
    write(setting::TrackBarR, controls.TrackBarR);
    write(setting::TrackBarAlpha, controls.TrackBarAlpha);
    write(setting::AlphaPicX1, r.X1);
    write(setting::AlphaPicX2, r.X2);
    write(setting::AlphaPicY1, r.Y1);
    write(setting::AlphaPicY2, r.Y2);
    writes.attempt([&] {
        settings.writeBool(kSettingsSection, setting::DeduceBackground.key,
                           controls.DeduceBackground);
    });
    writes.rethrow();
}

}  // namespace felmo
