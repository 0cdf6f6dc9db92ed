#include "compose/overlay_settings.hpp"

#include <algorithm>
#include <exception>
#include <optional>

#include "base/error.hpp"
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

int OverlaySettingsWindow::edge(Edge edge) const {
    switch (edge) {
        case Edge::Up:
            return controls_.TrackBarU;
        case Edge::Down:
            return controls_.TrackBarD;
        case Edge::Left:
            return controls_.TrackBarL;
        case Edge::Right:
            return controls_.TrackBarR;
    }
    return 0;
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
    if (checked == controls_.DeduceBackground)
        return;
    controls_.DeduceBackground = checked;
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
    setSlider(controls_.TrackBarAlpha, kTrackBarAlphaMax, position);
}

void OverlaySettingsWindow::setEdge(Edge edge, int position) {
    ChangeScope scope(*this);
    switch (edge) {
        case Edge::Up:
            setSlider(controls_.TrackBarU, kEdgeSliderMax, position);
            break;
        case Edge::Down:
            setSlider(controls_.TrackBarD, kEdgeSliderMax, position);
            break;
        case Edge::Left:
            setSlider(controls_.TrackBarL, kEdgeSliderMax, position);
            break;
        case Edge::Right:
            setSlider(controls_.TrackBarR, kEdgeSliderMax, position);
            break;
    }
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
    const OverlayRegion before = r;
    if (sizeStepSide_ < 1) {
        // The right or the top side.
        sizeStepSide_ = 1;
        switch (sizeButtonTag_) {
            case kSizeButtonNarrower:
                --r.X2;
                break;
            case kSizeButtonWider:
                ++r.X2;
                break;
            case kSizeButtonTaller:
                --r.Y1;
                break;
            case kSizeButtonShorter:
                ++r.Y1;
                break;
        }
    } else {
        // The left or the bottom side.
        sizeStepSide_ = -1;
        switch (sizeButtonTag_) {
            case kSizeButtonNarrower:
                ++r.X1;
                break;
            case kSizeButtonWider:
                --r.X1;
                break;
            case kSizeButtonTaller:
                ++r.Y2;
                break;
            case kSizeButtonShorter:
                --r.Y2;
                break;
        }
    }
    // Too wide: the whole width; negative: the step is undone.
    if (r.X2 - r.X1 > W) {
        r.X1 = 0;
        r.X2 = W;
    }
    if (r.X2 - r.X1 < 0) {
        if (sizeStepSide_ == -1)
            --r.X1;
        else
            ++r.X2;
    }
    if (r.Y2 - r.Y1 > H) {
        r.Y1 = 0;
        r.Y2 = H;
    }
    if (r.Y2 - r.Y1 < 0) {
        if (sizeStepSide_ == -1)
            ++r.Y2;
        else
            --r.Y1;
    }
    changed();  // at least SizeStepSide has flipped
    if (r != before)
        changed();
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

    auto stored = [&](const IntegerSetting& key, int current) {
        return settings.readInteger(kSettingsSection, key.key, current);
    };
    setSlider(controls_.TrackBarU, kEdgeSliderMax, stored(setting::TrackBarU, controls_.TrackBarU));
    setSlider(controls_.TrackBarD, kEdgeSliderMax, stored(setting::TrackBarD, controls_.TrackBarD));
    setSlider(controls_.TrackBarL, kEdgeSliderMax, stored(setting::TrackBarL, controls_.TrackBarL));
    setSlider(controls_.TrackBarR, kEdgeSliderMax, stored(setting::TrackBarR, controls_.TrackBarR));
    setSlider(controls_.TrackBarAlpha, kTrackBarAlphaMax,
              stored(setting::TrackBarAlpha, controls_.TrackBarAlpha));
    setCheckBox(settings.readBool(kSettingsSection, setting::DeduceBackground.key,
                                  controls_.DeduceBackground));
}

void OverlaySettingsWindow::FormClose(Settings& settings) {
    ChangeScope scope(*this);
    // A button still held when the window goes cannot be released on it any more.
    SizeAlphaMouseUp();

    std::optional<Error> firstFailure;
    auto write = [&](std::string_view key, int value) {
        try {
            settings.writeInteger(kSettingsSection, key, value);
        } catch (const Error& failure) {
            if (!firstFailure)
                firstFailure = failure;
        }
    };
    const OverlayRegion& r = overlay_.region;
    write(setting::TrackBarU.key, controls_.TrackBarU);
    write(setting::TrackBarD.key, controls_.TrackBarD);
    write(setting::TrackBarL.key, controls_.TrackBarL);
    write(setting::TrackBarR.key, controls_.TrackBarR);
    write(setting::TrackBarAlpha.key, controls_.TrackBarAlpha);
    write(setting::AlphaPicX1.key, r.X1);
    write(setting::AlphaPicX2.key, r.X2);
    write(setting::AlphaPicY1.key, r.Y1);
    write(setting::AlphaPicY2.key, r.Y2);
    try {
        settings.writeBool(kSettingsSection, setting::DeduceBackground.key,
                           controls_.DeduceBackground);
    } catch (const Error& failure) {
        if (!firstFailure)
            firstFailure = failure;
    }
    if (firstFailure)
        throw *firstFailure;
}

}  // namespace felmo
