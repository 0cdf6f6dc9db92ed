// The EidPic overlay: a second picture laid over the 176 x 68 status-area strip, at a chosen
// opacity inside a rectangle and fading out linearly beyond each of the rectangle's sides at its
// own rate, with the overlay's own background colour (its top-left pixel) and pure magenta left
// out. The composition runs at the next TimerEidPic tick (10 ms) after the overlay has been
// marked dirty by the overlay settings window.
#pragma once

#include "compose/picked_rgb.hpp"
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

// The overlay's region and its recomposition request, held by the main window.
struct OverlayState {
    OverlayRegion region;
    // The composition must run at the next TimerEidPic tick; set only by the settings window.
    bool OverlayDirty = false;
};

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

// Edge slider position (0..37) to the opacity lost per pixel beyond that side: p below 20; the
// integer part of p * (p / 20)^4 from 20 to 32 (20, 25, 32, ..., 178, 209); 255 above 32 (a hard
// edge).
int SlopeFromPosition(int position);

// The composition: EidPicPicture0 and EidPicPictureAlpha become 24-bit (an image without a picture
// first gets its white surface); EidPicPicture1 := a copy of EidPicPicture0; PickedRGB := the
// overlay's top-left pixel; the overlay is blended into EidPicPicture1 (key magenta, at (0, 0),
// Alpha and the slopes from `controls`, the rectangle `region`, the background kept when
// DeduceBackground is set); EidPicPicture := a copy of EidPicPicture1; then DrawDownLine, which
// redraws the date on EidPicPicture and sets PickedRGB back to the strip colour.
void ImposingDrawAlpha(StillPictures& pictures, const OverlayRegion& region,
                       const OverlayControls& controls, StatusStrip& strip, PickedRGB& picked);

// TimerEidPic's period; the timer runs from program start.
inline constexpr int kTimerEidPicPeriodMs = 10;

// The TimerEidPic tick: when the overlay is dirty, clears the flag and composes. Returns whether it
// composed.
bool TimerEidPicTimer(OverlayState& overlay, StillPictures& pictures,
                      const OverlayControls& controls, StatusStrip& strip, PickedRGB& picked);

}  // namespace felmo
