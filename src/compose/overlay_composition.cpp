#include "compose/overlay_composition.hpp"

#include <algorithm>
#include <cmath>

#include "compose/soft_edge_blend.hpp"

namespace felmo {
namespace {

// Pure magenta overlay pixels never reach the strip.
constexpr Color kOverlayKeyColour = 0x00FF00FF;

}  // namespace

OverlayRegion clampOverlayRegion(const OverlayRegion& region) {
    OverlayRegion fitted;
    fitted.X1 = std::clamp(region.X1, 0, kOverlayStripWidth);
    fitted.X2 = std::clamp(region.X2, fitted.X1, kOverlayStripWidth);
    fitted.Y1 = std::clamp(region.Y1, 0, kOverlayStripHeight);
    fitted.Y2 = std::clamp(region.Y2, fitted.Y1, kOverlayStripHeight);
    return fitted;
}

SizeStep resizeOverlayRegion(OverlayRegion r, int buttonTag, int side) {
    if (side < 1) {
        side = 1;
        switch (buttonTag) {
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
        side = -1;
        switch (buttonTag) {
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
    if (r.X2 - r.X1 > kOverlayStripWidth) {
        r.X1 = 0;
        r.X2 = kOverlayStripWidth;
    }
    if (r.X2 - r.X1 < 0) {
        if (side == -1)
            --r.X1;
        else
            ++r.X2;
    }
    if (r.Y2 - r.Y1 > kOverlayStripHeight) {
        r.Y1 = 0;
        r.Y2 = kOverlayStripHeight;
    }
    if (r.Y2 - r.Y1 < 0) {
        if (side == -1)
            ++r.Y2;
        else
            --r.Y1;
    }
    return SizeStep{r, side};
}

int SlopeFromPosition(int position) {
    if (position < 20)
        return position;
    if (position > 32)
        return 255;
    const double ratio = position / 20.0;
    return static_cast<int>(position * std::pow(ratio, 4));
}

SoftEdgeBlendArea overlayBlendArea(const OverlayRegion& region, const OverlayControls& controls) {
    return {.KeyColour = kOverlayKeyColour,
            .Alpha = controls.TrackBarAlpha,
            .X1 = region.X1,
            .X2 = region.X2,
            .Y1 = region.Y1,
            .Y2 = region.Y2,
            .SlopeL = SlopeFromPosition(controls.TrackBarL),
            .SlopeR = SlopeFromPosition(controls.TrackBarR),
            .SlopeU = SlopeFromPosition(controls.TrackBarU),
            .SlopeD = SlopeFromPosition(controls.TrackBarD),
            .KeepBackground = controls.DeduceBackground};
}

void ImposingDrawAlpha(StillPictures& pictures, const OverlayRegion& region,
                       const OverlayControls& controls, StatusStrip& strip, PickedRGB& picked) {
    pictures.EidPicPicture0.pictureAs24Bit();
    Raster& overlay = pictures.EidPicPictureAlpha.pictureAs24Bit();
    pictures.EidPicPicture1.assign(pictures.EidPicPicture0);

    // The overlay's background colour is the colour of its top-left pixel.
    picked = PickedRGB::of(overlay.pixel(0, 0) & 0x00FFFFFF);
    SoftEdgeBlend(pictures.EidPicPicture1.picture(), &overlay, overlayBlendArea(region, controls),
                  picked);

    pictures.EidPicPicture.assign(pictures.EidPicPicture1);
    DrawDownLine(pictures, strip, picked);
}

bool TimerEidPicTimer(OverlayState& overlay, StillPictures& pictures, StatusStrip& strip,
                      PickedRGB& picked) {
    if (!overlay.OverlayDirty)
        return false;
    overlay.OverlayDirty = false;
    ImposingDrawAlpha(pictures, overlay.region, overlay.controls, strip, picked);
    return true;
}

}  // namespace felmo
