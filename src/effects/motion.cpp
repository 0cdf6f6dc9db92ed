#include "effects/motion.hpp"

#include <string>

#include "base/error.hpp"
#include "raster/canvas.hpp"

namespace felmo {
namespace {

void requireTag(int tag, int first, int second, const char* handler) {
    if (tag != first && tag != second)
        throw Error(std::string(handler) + " has no variant with tag " + std::to_string(tag) + ".");
}

// Pixel reads outside a raster give FFFFFFFF; only the colour bytes are a colour.
Color colourAt(const Raster& raster, int x, int y) {
    return raster.pixel(x, y) & 0x00FFFFFF;
}

}  // namespace

SlidePlan planSlide(int pictureAlong, int pictureAcross, int screenAlong, int screenAcross,
                    bool towardsEnd) {
    if (pictureAlong < 1 || pictureAcross < 1)
        throw Error("The picture has no pixels (" + std::to_string(pictureAlong) + " x " +
                    std::to_string(pictureAcross) + ").");

    // The scale is kept in extended precision, the fitted length and the step are stored as
    // doubles: this decides on which side of a whole pixel the positions fall (a 2000-pixel strip
    // starts at -1823, not -1824).
    const long double scale = static_cast<long double>(screenAcross) / pictureAcross;
    SlidePlan plan;
    plan.fittedLength = static_cast<double>(pictureAlong * scale);
    plan.step = static_cast<double>((static_cast<long double>(plan.fittedLength) - screenAlong) /
                                    kLastFrame);
    plan.paintedLength = static_cast<int>(plan.fittedLength);

    for (int n = 0; n < kFrameCount; ++n) {
        const int factor = towardsEnd ? n - kLastFrame : -n;
        // A small integer times a double is exact in the 64-bit mantissa; the conversion
        // truncates toward zero.
        plan.positions[n] = static_cast<int>(static_cast<long double>(factor) * plan.step);
    }
    return plan;
}

void MoveRightLeft(EffectContext& context, int tag) {
    requireTag(tag, kTagSlideRight, kTagSlideLeft, "MoveRightLeft");
    context.preview.disableTimer2();
    context.preview.rewind();
    context.work.WorkingPicture.setSize(kHorizontalStripWidth, kScreenHeight);

    if (!context.loadPicture()) {
        context.preview.enableTimer2();
        return;
    }
    const Raster& picture = context.load.LoadedPicture;
    const SlidePlan plan = planSlide(picture.width(), picture.height(), kScreenWidth, kScreenHeight,
                                     tag == kTagSlideRight);

    // Beyond the painted part the strip keeps what it held: white when new, else an earlier run.
    Canvas strip = context.work.WorkingPicture.canvas();
    strip.stretchDraw(Rect{0, 0, plan.paintedLength, kScreenHeight}, picture);

    // The frame surface is not cleared: what the strip does not cover keeps the previous frame.
    Canvas frame = context.work.LeavingPicture.canvas();
    for (int n = 0; n < kFrameCount; ++n) {
        frame.draw(plan.positions[n], 0, strip.raster());
        SaveFrame(frame.raster(), context.workDir, n);
    }
    context.preview.enableTimer2();
}

void MoveUpDown(EffectContext& context, int tag) {
    requireTag(tag, kTagSlideDown, kTagSlideUp, "MoveUpDown");
    context.preview.disableTimer2();
    context.preview.rewind();
    context.work.WorkingPicture3.setSize(kScreenWidth, kVerticalStripHeight);

    if (!context.loadPicture()) {
        context.preview.enableTimer2();
        return;
    }
    const Raster& picture = context.load.LoadedPicture;
    const SlidePlan plan = planSlide(picture.height(), picture.width(), kScreenHeight, kScreenWidth,
                                     tag == kTagSlideDown);

    Canvas strip = context.work.WorkingPicture3.canvas();
    strip.stretchDraw(Rect{0, 0, kScreenWidth, plan.paintedLength}, picture);

    Canvas frame = context.work.LeavingPicture.canvas();
    for (int n = 0; n < kFrameCount; ++n) {
        frame.draw(0, plan.positions[n], strip.raster());
        SaveFrame(frame.raster(), context.workDir, n);
    }
    context.preview.enableTimer2();
}

void ApproachPostpone(EffectContext& context, int tag) {
    requireTag(tag, kTagZoomIn, kTagZoomOut, "ApproachPostpone");
    context.work.WorkingPicture2.setSize(kScreenWidth, kScreenHeight);

    const Raster& splash = context.splashPicture();
    Canvas surface = context.work.WorkingPicture2.canvas();
    surface.setBrushColor(colourAt(splash, 0, 0));
    surface.floodFillBorder(0, 0, colors::red);
    // Only does something when (0, 0) was pure red and stopped the first fill.
    surface.floodFillBorder(0, 0, colourAt(splash, 0, 0));

    for (int n = 0; n < kFrameCount; ++n) {
        const int width = kApproachWidths[kLastFrame - n];
        const int height = kApproachHeights[kLastFrame - n];
        const int left = (kScreenWidth - width) / 2;
        const int top = (kScreenHeight - height) / 2;
        surface.stretchDraw(Rect::bySize(left, top, width, height), splash);
        SaveFrame(surface.raster(), context.workDir, tag == kTagZoomIn ? n : kLastFrame - n);
    }
    context.preview.enableTimer2();
}

}  // namespace felmo
