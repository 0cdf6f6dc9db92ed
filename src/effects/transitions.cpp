#include "effects/transitions.hpp"

#include <algorithm>
#include <string>

#include "base/error.hpp"
#include "compose/soft_edge_blend.hpp"
#include "effects/frame_files.hpp"
#include "raster/canvas.hpp"

namespace felmo {
namespace {

// The new picture, scaled to the screen without keeping its aspect ratio.
void fitNewPicture(EffectContext& context, Image& target) {
    target.canvas().stretchDraw(Rect{0, 0, kScreenWidth, kScreenHeight},
                                context.load.LoadedPicture);
}

// A fresh copy of the splash picture (a splash preview without a picture is a white screen).
void copySplash(EffectContext& context, Image& target) {
    context.splashPicture();
    target.assign(context.stills.SplashscreenPicture);
}

}  // namespace

DotPick pickDotCells(EffectRandom& random, DotCellsUsed& used, int count) {
    const int left = static_cast<int>(std::count(used.begin(), used.end(), false));
    if (count > left)
        throw Error("The dot dissolve has " + std::to_string(left) + " cells left, not " +
                    std::to_string(count) + ".");
    DotPick pick;
    pick.cells.reserve(static_cast<std::size_t>(std::max(count, 0)));
    while (static_cast<int>(pick.cells.size()) < count) {
        const int row = random.random(kDotRows);
        const int column = random.random(kDotColumns);
        ++pick.attempts;
        bool& cellUsed = used[static_cast<std::size_t>(row * kDotColumns + column)];
        if (cellUsed)
            continue;
        cellUsed = true;
        pick.cells.push_back(DotCell{column, row});
    }
    return pick;
}

void TransformationFromPicture(EffectContext& context) {
    context.preview.disableTimer2();
    context.preview.rewind();
    context.work.EnteringPicture.setSize(kScreenWidth, kScreenHeight);
    context.work.DotDissolveCell.setSize(kDotCellSize, kDotCellSize);
    DotCellsUsed used{};

    if (!context.loadPicture()) {
        context.preview.enableTimer2();
        return;
    }
    fitNewPicture(context, context.work.EnteringPicture);
    copySplash(context, context.work.LeavingPicture);

    const Raster& entering = *context.work.EnteringPicture.picture();
    Canvas scratch = context.work.DotDissolveCell.canvas();
    Canvas frame = context.work.LeavingPicture.canvas();
    for (int n = 0; n < kLastFrame; ++n) {
        for (const DotCell& cell : pickDotCells(context.random, used, kDotCellsPerFrame).cells) {
            // Each cell goes through the 2 x 2 scratch raster, as two unscaled draws.
            scratch.draw(-kDotCellSize * cell.column, -kDotCellSize * cell.row, entering);
            frame.draw(kDotCellSize * cell.column, kDotCellSize * cell.row, scratch.raster());
        }
        SaveFrame(frame.raster(), context.workDir, n);
    }
    // The cells that never came up: the last frame is the new picture as a whole.
    context.work.LeavingPicture.assign(context.work.EnteringPicture);
    SaveFrame(context.work.LeavingPicture, context.workDir, kLastFrame);
    context.preview.enableTimer2();
}

void Display(EffectContext& context) {
    WorkImages& work = context.work;
    work.CrossFadeFrame.setSize(kScreenWidth, kScreenHeight);
    work.CrossFadePicture.setSize(kScreenWidth, kScreenHeight);
    if (!context.loadPicture())
        return;
    fitNewPicture(context, work.CrossFadePicture);
    copySplash(context, work.CrossFadeFrame);

    Raster& frame = work.CrossFadeFrame.canvas().raster();
    Raster& picture = work.CrossFadePicture.canvas().raster();
    frame.convertTo24Bit();
    picture.convertTo24Bit();
    for (int k = 1; k <= kFrameCount; ++k) {
        // A zero rectangle with zero slopes: every pixel is blended once at the opacity, row 0 and
        // column 0 twice, pixel (0, 0) five times.
        SoftEdgeBlend(&frame, &picture,
                      {.KeyColour = kCrossFadeKeyColour, .Alpha = kCrossFadeOpacityStep * k},
                      context.picked);
        SaveFrame(frame, context.workDir, k - 1);
    }
}

}  // namespace felmo
