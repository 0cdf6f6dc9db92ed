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

namespace {

enum class SlideAxis { Horizontal, Vertical };

// The slide's walk, the same along either axis: the picture fitted across the motion into the
// strip, then one frame per position of the strip under the screen.
void slide(EffectContext& context, SlideAxis axis, bool towardsEnd) {
    const bool horizontal = axis == SlideAxis::Horizontal;
    Image& stripImage =
        horizontal ? context.work.HorizontalSlideStrip : context.work.VerticalSlideStrip;
    context.preview.disableTimer2();
    context.preview.rewind();
    if (horizontal)
        stripImage.setSize(kHorizontalStripWidth, kScreenHeight);
    else
        stripImage.setSize(kScreenWidth, kVerticalStripHeight);

    if (!context.loadPicture()) {
        context.preview.enableTimer2();
        return;
    }
    const Raster& picture = context.load.LoadedPicture;
    const SlidePlan plan =
        horizontal
            ? planSlide(picture.width(), picture.height(), kScreenWidth, kScreenHeight, towardsEnd)
            : planSlide(picture.height(), picture.width(), kScreenHeight, kScreenWidth, towardsEnd);

    // Beyond the painted part the strip keeps what it held: white when new, else an earlier run.
    Canvas strip = stripImage.canvas();
    strip.stretchDraw(horizontal ? Rect{0, 0, plan.paintedLength, kScreenHeight}
                                 : Rect{0, 0, kScreenWidth, plan.paintedLength},
                      picture);

    // The frame surface is not cleared: what the strip does not cover keeps the previous frame.
    Canvas frame = context.work.LeavingPicture.canvas();
    for (int n = 0; n < kFrameCount; ++n) {
        if (horizontal)
            frame.draw(plan.positions[n], 0, strip.raster());
        else
            frame.draw(0, plan.positions[n], strip.raster());
        SaveFrame(frame.raster(), context.workDir, n);
    }
    context.preview.enableTimer2();
}

}  // namespace

void MoveRightLeft(EffectContext& context, int tag) {
    requireTag(tag, kTagSlideRight, kTagSlideLeft, "MoveRightLeft");
    slide(context, SlideAxis::Horizontal, tag == kTagSlideRight);
}

void MoveUpDown(EffectContext& context, int tag) {
    requireTag(tag, kTagSlideDown, kTagSlideUp, "MoveUpDown");
    slide(context, SlideAxis::Vertical, tag == kTagSlideDown);
}

void ApproachPostpone(EffectContext& context, int tag) {
    requireTag(tag, kTagZoomIn, kTagZoomOut, "ApproachPostpone");
    context.work.ZoomSurface.setSize(kScreenWidth, kScreenHeight);

    const Raster& splash = context.splashPicture();
    Canvas surface = context.work.ZoomSurface.canvas();
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
