#include "effects/brightness.hpp"

#include <algorithm>
#include <array>
#include <string>

#include "base/error.hpp"
#include "effects/frame_files.hpp"
#include "effects/mul_div.hpp"
#include "raster/canvas.hpp"

namespace felmo {
namespace {

// Scatter cells: 17 x 17 of 11 x 13 pixels, covering 187 x 221 (strokes past the frame are
// clipped).
constexpr int kScatterCells = 17;
constexpr int kCellWidth = 11;
constexpr int kCellHeight = 13;
constexpr int kScatterPasses = 2;

enum class StrokeDirection { LeftToRight, RightToLeft };

struct ScatterVariant {
    StrokeDirection direction;
    Color strokeColour;
    bool reversedFrames;  // restore: cycle n is stored as frame 11 - n
};

ScatterVariant scatterVariant(int tag) {
    using D = StrokeDirection;
    switch (tag) {
        case kTagScatterRightBlack:
            return {D::LeftToRight, colors::black, false};
        case kTagScatterRightWhite:
            return {D::LeftToRight, colors::white, false};
        case kTagScatterLeftBlack:
            return {D::RightToLeft, colors::black, false};
        case kTagScatterLeftWhite:
            return {D::RightToLeft, colors::white, false};
        case kTagRestoreRightBlack:
            return {D::LeftToRight, colors::black, true};
        case kTagRestoreRightWhite:
            return {D::LeftToRight, colors::white, true};
        case kTagRestoreLeftBlack:
            return {D::RightToLeft, colors::black, true};
        case kTagRestoreLeftWhite:
            return {D::RightToLeft, colors::white, true};
        default:
            throw Error("ScatteredRestoration has no variant with tag " + std::to_string(tag) +
                        ".");
    }
}

std::uint8_t fadeChannel(int channel, FadeMode mode, int divisor, int numerator) {
    const int next = mode == FadeMode::Black ? channel - MulDiv(channel, numerator, divisor)
                                             : channel + MulDiv(255 - channel, numerator, divisor);
    return static_cast<std::uint8_t>(next);  // stays within 0..255 for numerators up to divisor
}

}  // namespace

void BrightnessChange(Image& image, FadeMode mode, int divisor, int numerator) {
    if (divisor < 1 || numerator < 0 || numerator > divisor)
        throw Error("A brightness step of " + std::to_string(numerator) + "/" +
                    std::to_string(divisor) + " is not a share between 0 and 1.");
    // The bounds come from the image's own size, rows and columns swapped and 32 added: they
    // cover the whole 176 x 208 frame, and the positions beyond the raster would read as white
    // and write nothing, so only the part inside the raster is visited.
    const int lastX = image.height();
    const int lastY = image.width() + 32;
    Raster& raster = image.canvas().raster();
    const int columns = std::min(lastX + 1, raster.width());
    const int rows = std::min(lastY + 1, raster.height());
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < columns; ++x) {
            const Color colour = raster.pixel(x, y);
            raster.setPixel(x, y,
                            rgb(fadeChannel(redOf(colour), mode, divisor, numerator),
                                fadeChannel(greenOf(colour), mode, divisor, numerator),
                                fadeChannel(blueOf(colour), mode, divisor, numerator)));
        }
    }
}

void BrightnessBlackWhite(EffectContext& context, int tag) {
    if (tag < kTagFadeInBlack || tag > kTagFadeOutWhite)
        throw Error("BrightnessBlackWhite has no variant with tag " + std::to_string(tag) + ".");
    const bool vanishing = tag == kTagFadeOutBlack || tag == kTagFadeOutWhite;
    const FadeMode mode =
        tag == kTagFadeInBlack || tag == kTagFadeOutBlack ? FadeMode::Black : FadeMode::White;

    context.preview.disableTimer2();
    Raster& splash = context.splashPicture();
    context.work.LeavingPicture.assign(context.stills.SplashscreenPicture);
    for (int k = 1; k <= kLastFrame; ++k) {
        BrightnessChange(context.work.LeavingPicture, mode, kFadeDivisor, kFadeStepNumerator);
        SaveFrame(context.work.LeavingPicture, context.workDir, vanishing ? k : kLastFrame - k);
    }
    // The untouched picture is saved straight from the splash preview (converting it to 24 bits).
    SaveFrame(splash, context.workDir, vanishing ? 0 : kLastFrame);
    context.preview.enableTimer2();
}

void ScatteredRestoration(EffectContext& context, int tag) {
    const ScatterVariant variant = scatterVariant(tag);
    std::array<std::array<int, kScatterCells>, kScatterCells> strokesAcross{};  // cx
    std::array<std::array<int, kScatterCells>, kScatterCells> strokesDown{};    // cy

    context.splashPicture();  // a splash preview without a picture is a white screen
    context.work.LeavingPicture.assign(context.stills.SplashscreenPicture);
    Canvas frame = context.work.LeavingPicture.canvas();
    frame.setPenColor(variant.strokeColour);
    const bool leftToRight = variant.direction == StrokeDirection::LeftToRight;

    for (int n = 0; n < kFrameCount; ++n) {
        for (int pass = 0; pass < kScatterPasses; ++pass) {
            for (int i = 0; i < kScatterCells; ++i) {
                for (int j = 0; j < kScatterCells; ++j) {
                    int& cx = strokesAcross[i][j];
                    int& cy = strokesDown[i][j];
                    const int top = kCellHeight * i + cy;
                    // The end points are not painted: a vertical stroke covers 13 rows, a
                    // horizontal one 11 columns.
                    if (context.random.random(2) == 0) {
                        const int x =
                            leftToRight ? kCellWidth * j + cx : kCellWidth * j + kCellWidth - cx;
                        frame.moveTo(x, top);
                        frame.lineTo(x, top + kCellHeight);
                        ++cx;
                    } else {
                        if (leftToRight) {
                            frame.moveTo(kCellWidth * j + cx, top);
                            frame.lineTo(kCellWidth * j + cx + kCellWidth, top);
                        } else {
                            frame.moveTo(kCellWidth * j + kCellWidth - cx, top);
                            frame.lineTo(kCellWidth * j - cx, top);
                        }
                        ++cy;
                    }
                }
            }
        }
        SaveFrame(frame.raster(), context.workDir, variant.reversedFrames ? kLastFrame - n : n);
    }
}

}  // namespace felmo
