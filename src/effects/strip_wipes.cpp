#include "effects/strip_wipes.hpp"

#include "effects/frame_files.hpp"
#include "raster/canvas.hpp"

namespace felmo {
namespace {

// The new picture fitted to the screen on EnteringPicture, and a fresh copy of the splash picture
// on LeavingPicture. False when the user cancelled the picture dialog.
bool prepareWipe(EffectContext& context) {
    context.work.EnteringPicture.setSize(kScreenWidth, kScreenHeight);
    if (!context.loadPicture())
        return false;
    context.work.EnteringPicture.canvas().stretchDraw(Rect{0, 0, kScreenWidth, kScreenHeight},
                                                      context.load.LoadedPicture);
    context.splashPicture();  // a splash preview without a picture is a white screen
    context.work.LeavingPicture.assign(context.stills.SplashscreenPicture);
    return true;
}

}  // namespace

int blindLine(int frame, int band, BlindOrder order) {
    const int lineInBand = order == BlindOrder::FirstLineFirst ? frame : kLastFrame - frame;
    return lineInBand + kBlindBandWidth * band;
}

namespace {

enum class BlindAxis { Rows, Columns };

// The wipe's walk, the same for rows and columns: in every frame each band takes over its next
// line, which goes through the one-pixel-thick scratch raster on its way to the frame.
void wipeInBlinds(EffectContext& context, BlindAxis axis, BlindOrder order) {
    const bool rows = axis == BlindAxis::Rows;
    Image& scratchImage = rows ? context.work.StripWipeRow : context.work.StripWipeColumn;
    if (rows)
        scratchImage.setSize(kScreenWidth, 1);
    else
        scratchImage.setSize(1, kScreenHeight);
    if (!prepareWipe(context))
        return;

    const Raster& entering = *context.work.EnteringPicture.picture();
    Canvas scratch = scratchImage.canvas();
    Canvas frame = context.work.LeavingPicture.canvas();
    const int bands = rows ? kHorizontalBlindBands : kVerticalBlindBands;
    for (int f = 0; f < kFrameCount; ++f) {
        for (int band = 0; band < bands; ++band) {
            const int line = blindLine(f, band, order);
            if (rows) {
                // Both draws are one column off: the scratch row's column 0 stays white.
                scratch.draw(1, -line, entering);
                frame.draw(1, line, scratch.raster());
            } else {
                // The column goes into the scratch one row down: its row 0 stays white.
                scratch.draw(-line, 1, entering);
                frame.draw(line, 0, scratch.raster());
            }
        }
        SaveFrame(frame.raster(), context.workDir, f);
    }
}

}  // namespace

void HorizontalStrips(EffectContext& context, int tag) {
    wipeInBlinds(context, BlindAxis::Rows,
                 tag == kTagBlindsDown ? BlindOrder::FirstLineFirst : BlindOrder::LastLineFirst);
}

void VerticalStrips(EffectContext& context, int tag) {
    wipeInBlinds(context, BlindAxis::Columns,
                 tag == kTagBlindsRight ? BlindOrder::FirstLineFirst : BlindOrder::LastLineFirst);
}

}  // namespace felmo
