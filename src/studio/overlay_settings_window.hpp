// The overlay settings window without the window: the opacity of the overlay's
// rectangle, the sharpness of its four edges, its position (two scroll bars) and its size (four
// press-and-hold buttons that grow or shrink it about its middle, one pixel per step), and whether
// the overlay's background colour is drawn. Every change marks the overlay dirty, so the preview
// follows at the next TimerEidPic tick; the values are read from the settings when the window is
// activated and written when it closes.
//
// The controls behave as the window's controls do: a slider or scroll bar clamps a new position
// into its range and runs the change handler (TransparencyChangeEidPic) only when the position
// actually changes, also when the program sets it or, for a scroll bar, lowers its maximum below
// the position; the check box likewise on an actual change of state.
//
// A front end binds its widgets to this model: a user's change goes to the setter of that control
// (setTrackBarAlpha, setEdge, setScrollBarLeftRight, setScrollBarUpDown, setDeduceBackground,
// sizeButtonPressed / sizeButtonReleased, and Timer1Timer every 50 ms while timer1Enabled()), and
// afterwards every control is set again from the getters without triggering the widget's own
// signals. revision() grows with every change of what the window shows, and the onChange callback,
// when set, runs once at the end of every call that changed something.
//
// Threading: one thread, like the rest of the model.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "compose/overlay_composition.hpp"

namespace felmo {

class Settings;

// Timer1's period while a size button is held.
inline constexpr int kTimer1IntervalMs = 50;

// The four edge sliders.
enum class Edge { Up, Down, Left, Right };  // TrackBarU, TrackBarD, TrackBarL, TrackBarR

// What a scroll bar or progress bar shows.
struct BarState {
    int min = 0;
    int max = 0;
    int position = 0;
    friend bool operator==(const BarState&, const BarState&) = default;
};

// "040 x 030": each number as decimal text with "00" before it when below 10 (so -1 gives "00-1")
// and "0" when from 10 to 99, joined by " x ".
std::string FormatPair(int first, int second);

class OverlaySettingsWindow {
  public:
    // `overlay` (the region, the control values and the dirty flag, held by the document) must
    // outlive the window.
    explicit OverlaySettingsWindow(OverlayState& overlay);

    // --- What the window shows -----------------------------------------------------------------

    int trackBarAlpha() const { return overlay_.controls.TrackBarAlpha; }
    int edge(Edge edge) const;
    bool deduceBackground() const { return overlay_.controls.DeduceBackground; }
    const BarState& scrollBarLeftRight() const { return scrollBarLeftRight_; }
    const BarState& scrollBarUpDown() const { return scrollBarUpDown_; }
    // min is always 0.
    const BarState& progressBarLeftRight() const { return progressBarLeftRight_; }
    const BarState& progressBarUpDown() const { return progressBarUpDown_; }
    // The region's left and top, and its width and height, through FormatPair.
    const std::string& CoordinatesArea() const { return coordinatesArea_; }
    const std::string& SizeArea() const { return sizeArea_; }
    bool timer1Enabled() const { return timer1Enabled_; }

    // The control values the composition reads.
    const OverlayControls& controls() const { return overlay_.controls; }
    const OverlayRegion& region() const { return overlay_.region; }
    int SizeStepSide() const { return sizeStepSide_; }
    int SizeButtonTag() const { return sizeButtonTag_; }

    // Grows with every change of a control, a label, the region or the dirty flag.
    std::uint64_t revision() const { return revision_; }
    // Runs once at the end of every call into the window that changed something (not when the
    // call ends by an exception). It must not throw.
    void setOnChange(std::function<void()> onChange) { onChange_ = std::move(onChange); }

    // --- The user's actions --------------------------------------------------------------------

    void setTrackBarAlpha(int position);
    void setEdge(Edge edge, int position);
    void setScrollBarLeftRight(int position);
    void setScrollBarUpDown(int position);
    void setDeduceBackground(bool checked);
    // Places the region directly, without the size buttons (the command line sets it so): it is
    // brought into the strip (clampOverlayRegion), the scroll bars, progress bars and both labels
    // follow it, and the overlay is marked dirty.
    void setRegion(const OverlayRegion& region);
    // A size button pressed (any mouse button) / released: SizeAlphaMouseDown / SizeAlphaMouseUp.
    void sizeButtonPressed(int tag) { SizeAlphaMouseDown(tag); }
    void sizeButtonReleased() { SizeAlphaMouseUp(); }

    // --- Handlers ------------------------------------------------------------------------------

    // Activation (each time the window is shown): re-ranges the bars, shows the position and the
    // size, marks the overlay dirty, then reads TrackBarU, TrackBarD, TrackBarL, TrackBarR,
    // TrackBarAlpha (each clamped into its slider's range) and DeduceBackground from `settings`,
    // each with the control's current value as default.
    void FormActivate(const Settings& settings);
    // Close: writes the values (writeOverlaySettings). Also stops a size button's repeat.
    void FormClose(Settings& settings);

    // The change handler of every slider, both scroll bars and the check box: marks the overlay
    // dirty, shows the scroll bars' positions in CoordinatesArea and moves the region to them,
    // keeping its size.
    void TransparencyChangeEidPic();
    // One size step of the button last pressed (resizeOverlayRegion), then the bars and the size
    // label follow.
    void ConditionSizeAlpha();
    // Re-ranges the scroll bars and the progress bars to the region; a region pushed past the
    // right or bottom edge is shifted back inside.
    void InstallationValues();
    // Stores the tag, moves the region to the scroll bars, makes one size step, enables Timer1.
    // A tag other than 100..103 is ignored.
    void SizeAlphaMouseDown(int tag);
    void SizeAlphaMouseUp();
    // Every 50 ms while a size button is held: the region follows the horizontal scroll bar, then
    // one more size step. Does nothing while Timer1 is disabled.
    void Timer1Timer();

  private:
    class ChangeScope;

    void changed() { ++revision_; }
    void setSlider(int& position, int max, int value);
    void setScrollPosition(BarState& bar, int value);
    void setScrollMax(BarState& bar, int value);
    void setCheckBox(bool checked);
    void setCoordinatesArea(std::string text);
    void setSizeArea(std::string text);
    void markDirty();
    void moveRegionToScrollBars(bool vertically);

    OverlayState& overlay_;
    // Scroll bars start at 0..100, position 0, until the first activation ranges them.
    BarState scrollBarLeftRight_{0, 100, 0};
    BarState scrollBarUpDown_{0, 100, 0};
    BarState progressBarLeftRight_{0, 100, 0};
    BarState progressBarUpDown_{0, 100, 0};
    std::string coordinatesArea_;
    std::string sizeArea_;
    int sizeStepSide_ = 0;   // 0, 1 or -1: which side the next size step moves
    int sizeButtonTag_ = 0;  // 100..103 once a size button has been pressed
    bool timer1Enabled_ = false;
    std::uint64_t revision_ = 0;
    std::function<void()> onChange_;
    int depth_ = 0;  // nesting of public calls, so onChange runs once per outermost call
};

// The overlay's control values as stored: TrackBarU, TrackBarD, TrackBarL, TrackBarR and
// TrackBarAlpha (each clamped into its slider's range) and DeduceBackground, each defaulting to
// its value in `current`.
OverlayControls readOverlayControls(const Settings& settings, const OverlayControls& current);

// Writes TrackBarU, TrackBarD, TrackBarL, TrackBarR, TrackBarAlpha, AlphaPicX1, AlphaPicX2,
// AlphaPicY1, AlphaPicY2, DeduceBackground in this order. Every value is attempted; the first
// refused write is thrown (felmo::Error) after the others.
void writeOverlaySettings(Settings& settings, const OverlayState& overlay);

}  // namespace felmo
