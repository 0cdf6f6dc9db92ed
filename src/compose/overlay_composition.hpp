// The EidPic overlay: a second picture laid over the 176 x 68 status-area strip, at a chosen
// opacity inside a rectangle and fading out linearly beyond each of the rectangle's sides at its
// own rate, with the overlay's own background colour (its top-left pixel) and pure magenta left
// out. The composition runs at the next TimerEidPic tick (10 ms) after the overlay has been
// marked dirty by the overlay settings window. Besides the composition this level holds the
// rules of the region: its clamping into the strip and the one resize step of the size buttons.
#pragma once

#include "compose/picked_rgb.hpp"
#include "compose/soft_edge_blend.hpp"
#include "compose/status_strip.hpp"
#include "compose/still_pictures.hpp"

namespace felmo {

// The strip the overlay is laid on: the size of EidPicPicture0.
inline constexpr int kOverlayStripWidth = 176;
inline constexpr int kOverlayStripHeight = 68;

// The rectangle of full opacity, in overlay pixel coordinates, all four bounds inclusive; its
// width is X2 - X1 and its height Y2 - Y1. Stored as AlphaPicX1, AlphaPicX2, AlphaPicY1,
// AlphaPicY2.
struct OverlayRegion {
    int X1 = 40;
    int X2 = 150;
    int Y1 = 30;
    int Y2 = 60;
    friend bool operator==(const OverlayRegion&, const OverlayRegion&) = default;
};

// Stored region values that do not fit the strip are brought into it: 0 <= X1 <= X2 <= 176 and
// 0 <= Y1 <= Y2 <= 68 (each bound clamped in turn: X1 into 0..176, then X2 into X1..176; rows
// likewise). A region that fits is returned unchanged.
OverlayRegion clampOverlayRegion(const OverlayRegion& region);

// The ranges of the opacity and edge sliders.
inline constexpr int kTrackBarAlphaMax = 255;
inline constexpr int kEdgeSliderMax = 37;

// The control values the composition reads (positions of the overlay window's controls).
struct OverlayControls {
    int TrackBarAlpha = 200;  // opacity inside the rectangle, 0..255
    int TrackBarU = 20;       // edge sharpness, 0..37 each
    int TrackBarD = 20;
    int TrackBarL = 30;
    int TrackBarR = 30;
    bool DeduceBackground = false;  // draw the overlay's background colour too
    friend bool operator==(const OverlayControls&, const OverlayControls&) = default;
};

// The overlay's region, its control values and its recomposition request.
struct OverlayState {
    OverlayRegion region;
    OverlayControls controls;
    // The composition must run at the next TimerEidPic tick.
    bool OverlayDirty = false;
};

// Tags of the four size buttons.
inline constexpr int kSizeButtonNarrower = 100;  // "-" under the width
inline constexpr int kSizeButtonWider = 101;     // "+" under the width
inline constexpr int kSizeButtonTaller = 102;    // "+" beside the height
inline constexpr int kSizeButtonShorter = 103;   // "-" beside the height

// One step of a size button. The sides alternate so that the rectangle grows or shrinks about its
// middle: with `side` below 1 the right side (width) or the top side (height) moves and the next
// side is 1, otherwise the left or the bottom side moves and the next side is -1. A width above
// 176 (height above 68) becomes the whole strip from 0; a step that would give a negative size
// is undone. Another tag moves nothing but still flips the side.
struct SizeStep {
    OverlayRegion region;
    int side;
};
SizeStep resizeOverlayRegion(OverlayRegion region, int buttonTag, int side);

// Edge slider position (0..37) to the opacity lost per pixel beyond that side: p below 20; the
// integer part of p * (p / 20)^4 from 20 to 32 (20, 25, 32, ..., 178, 209); 255 above 32 (a hard
// edge).
int SlopeFromPosition(int position);

// How the overlay is blended for a region and the window's control values: key magenta, at (0, 0),
// Alpha and the slopes from `controls`, the rectangle `region`, the background kept when
// DeduceBackground is set.
SoftEdgeBlendArea overlayBlendArea(const OverlayRegion& region, const OverlayControls& controls);

// The composition: EidPicPicture0 and EidPicPictureAlpha become 24-bit (an image without a picture
// first gets its white surface); EidPicPicture1 := a copy of EidPicPicture0; PickedRGB := the
// overlay's top-left pixel; the overlay is blended into EidPicPicture1 (overlayBlendArea);
// EidPicPicture := a copy of EidPicPicture1; then DrawDownLine, which
// redraws the date on EidPicPicture and sets PickedRGB back to the strip colour.
void ImposingDrawAlpha(StillPictures& pictures, const OverlayRegion& region,
                       const OverlayControls& controls, StatusStrip& strip, PickedRGB& picked);

// TimerEidPic's period; the timer runs from program start.
inline constexpr int kTimerEidPicPeriodMs = 10;

// The TimerEidPic tick: when the overlay is dirty, clears the flag and composes with the overlay's
// region and control values. Returns whether it composed.
bool TimerEidPicTimer(OverlayState& overlay, StillPictures& pictures, StatusStrip& strip,
                      PickedRGB& picked);

}  // namespace felmo
