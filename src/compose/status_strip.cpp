#include "compose/status_strip.hpp"

#include <algorithm>

#include "raster/canvas.hpp"

namespace felmo {
namespace {

// The background's bottom row, sampled every 11 columns by the slider.
constexpr int kSampleRow = 131;
constexpr int kSampleColumnStep = 11;

constexpr int kCaptionX = 1;
constexpr int kCaptionY = 4;
constexpr int kCaptionPoints = 10;
constexpr int kDateX = 60;
constexpr int kDateY = 42;
constexpr int kDatePoints = 8;
constexpr int kDateHeightPx = 8;

// Repaints the strip in StripColour with its captions, the date on the EidPic preview and the
// colour-code labels; PickedRGB becomes the strip colour.
void redrawStrip(StillPictures& pictures, StatusStrip& strip, PickedRGB& picked) {
    Canvas lines = pictures.LinesPicture.canvas();
    // Bounded by the new colour itself: this repaints the old colour and the old captions.
    lines.setBrushColor(strip.StripColour);
    lines.floodFillBorder(0, 0, strip.StripColour);

    picked = PickedRGB::of(strip.StripColour);
    const Color contrast = contrastColour(strip.StripColour);

    lines.setFontBold(true);
    lines.setFontSizePoints(kCaptionPoints);
    lines.setFontColor(contrast);
    lines.setBackgroundMode(BackgroundMode::Transparent);
    lines.textOut(kCaptionX, kCaptionY, kSoftKeyCaptions);

    // The face and the style stay as the preview's raster has them; the size in points is
    // overridden by the height in pixels right after.
    Canvas preview = pictures.EidPicPicture.canvas();
    preview.setFontSizePoints(kDatePoints);
    preview.setFontHeightPx(kDateHeightPx);
    preview.setFontColor(contrast);
    preview.setBackgroundMode(BackgroundMode::Transparent);
    preview.textOut(kDateX, kDateY, kSampleDate);

    strip.redLabel = "R = " + std::to_string(picked.R);
    strip.greenLabel = "G = " + std::to_string(picked.G);
    strip.blueLabel = "B = " + std::to_string(picked.B);
}

}  // namespace

Color contrastColour(Color colour) {
    return rgb(255 - redOf(colour), 255 - greenOf(colour), 255 - blueOf(colour));
}

void DrawDownLine(StillPictures& pictures, StatusStrip& strip, PickedRGB& picked) {
    strip.TrackBar1 = std::clamp(strip.TrackBar1, 0, kTrackBar1Max);
    // A background narrower or lower than the sample point reads as white (only the colour
    // bytes of the out-of-raster value are kept).
    strip.StripColour =
        pictures.BackgroundPicture.canvas().pixel(kSampleColumnStep * strip.TrackBar1, kSampleRow) &
        0x00FFFFFF;
    redrawStrip(pictures, strip, picked);
}

void LinesPictureClick(StillPictures& pictures, StatusStrip& strip, PickedRGB& picked,
                       const ColourChooser& chooseColour) {
    if (chooseColour) {
        if (const std::optional<Color> chosen = chooseColour(strip.StripColour))
            strip.StripColour = *chosen & 0x00FFFFFF;
    }
    redrawStrip(pictures, strip, picked);
}

}  // namespace felmo
