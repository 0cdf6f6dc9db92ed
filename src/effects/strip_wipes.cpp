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

void HorizontalStrips(EffectContext& context, int tag) {
    const BlindOrder order =
        tag == kTagBlindsDown ? BlindOrder::FirstLineFirst : BlindOrder::LastLineFirst;
    context.work.WorkingPicture8.setSize(kScreenWidth, 1);
    if (!prepareWipe(context))
        return;

    const Raster& entering = *context.work.EnteringPicture.picture();
    Canvas scratch = context.work.WorkingPicture8.canvas();
    Canvas frame = context.work.LeavingPicture.canvas();
    for (int f = 0; f < kFrameCount; ++f) {
        for (int band = 0; band < kHorizontalBlindBands; ++band) {
            const int row = blindLine(f, band, order);
            // Both draws are one column off: the scratch row's column 0 stays white.
            scratch.draw(1, -row, entering);
            frame.draw(1, row, scratch.raster());
        }
        SaveFrame(frame.raster(), context.workDir, f);
    }
}

void VerticalStrips(EffectContext& context, int tag) {
    const BlindOrder order =
        tag == kTagBlindsRight ? BlindOrder::FirstLineFirst : BlindOrder::LastLineFirst;
    context.work.WorkingPicture7.setSize(1, kScreenHeight);
    if (!prepareWipe(context))
        return;

    const Raster& entering = *context.work.EnteringPicture.picture();
    Canvas scratch = context.work.WorkingPicture7.canvas();
    Canvas frame = context.work.LeavingPicture.canvas();
    for (int f = 0; f < kFrameCount; ++f) {
        for (int band = 0; band < kVerticalBlindBands; ++band) {
            const int column = blindLine(f, band, order);
            // The column goes into the scratch one row down: its row 0 stays white.
            scratch.draw(-column, 1, entering);
            frame.draw(column, 0, scratch.raster());
        }
        SaveFrame(frame.raster(), context.workDir, f);
    }
}

}  // namespace felmo
