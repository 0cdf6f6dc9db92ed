#include "effects/binocular.hpp"

#include <string>

#include "base/error.hpp"
#include "compose/still_pictures.hpp"
#include "effects/frame_files.hpp"

namespace felmo {
namespace {

enum class Placement { Start, Middle, End };  // where the anchor sits along one axis

Placement horizontalPlacement(BinocularAnchor anchor) {
    switch (anchor) {
        case BinocularAnchor::Left:
        case BinocularAnchor::LeftTop:
        case BinocularAnchor::LeftBottom:
            return Placement::Start;
        case BinocularAnchor::Top:
        case BinocularAnchor::Bottom:
        case BinocularAnchor::Centre:
            return Placement::Middle;
        case BinocularAnchor::RightTop:
        case BinocularAnchor::Right:
        case BinocularAnchor::RightBottom:
            return Placement::End;
    }
    return Placement::Start;
}

Placement verticalPlacement(BinocularAnchor anchor) {
    switch (anchor) {
        case BinocularAnchor::LeftTop:
        case BinocularAnchor::Top:
        case BinocularAnchor::RightTop:
            return Placement::Start;
        case BinocularAnchor::Left:
        case BinocularAnchor::Right:
        case BinocularAnchor::Centre:
            return Placement::Middle;
        case BinocularAnchor::RightBottom:
        case BinocularAnchor::Bottom:
        case BinocularAnchor::LeftBottom:
            return Placement::End;
    }
    return Placement::Start;
}

// The rectangle's start along one axis: the products are taken before the truncating division,
// so the half offset is not simply half the full one (464 * 3 / 22 = 63, 464 * 3 / 11 = 126).
int offsetAlong(Placement placement, int excess, int n) {
    switch (placement) {
        case Placement::Start:
            return 0;
        case Placement::Middle:
            return -(excess * n / (2 * kLastFrame));
        case Placement::End:
            return -(excess * n / kLastFrame);
    }
    return 0;
}

bool isZoomIn(int tag) {
    return tag >= kTagBinocularInFirst && tag <= kTagBinocularInLast;
}

}  // namespace

BinocularAnchor binocularAnchor(int tag) {
    if (isZoomIn(tag))
        return static_cast<BinocularAnchor>(tag - kTagBinocularInFirst);
    if (tag >= kTagBinocularOutFirst && tag <= kTagBinocularOutLast)
        return static_cast<BinocularAnchor>(tag - kTagBinocularOutFirst);
    throw Error("ApproachAndDistance has no variant with tag " + std::to_string(tag) + ".");
}

Rect binocularDrawing(BinocularAnchor anchor, int width, int height, int n) {
    if (width < 1 || height < 1)
        throw Error("The picture has no pixels (" + std::to_string(width) + " x " +
                    std::to_string(height) + ").");
    if (n < 0 || n > kLastFrame)
        throw Error("The binocular zoom has no drawing " + std::to_string(n) + ".");
    const int excessX = width - kScreenWidth;
    const int excessY = height - kScreenHeight;
    return Rect::bySize(offsetAlong(horizontalPlacement(anchor), excessX, n),
                        offsetAlong(verticalPlacement(anchor), excessY, n),
                        kScreenWidth + excessX * n / kLastFrame,
                        kScreenHeight + excessY * n / kLastFrame);
}

void ApproachAndDistance(EffectContext& context, int tag) {
    const BinocularAnchor anchor = binocularAnchor(tag);
    if (!context.loadPicture())
        return;  // cancelled: the frames keep the previous animation
    const Raster& picture = context.load.LoadedPicture;

    Image& workImage = context.work.BinocularSurface;
    workImage.setSize(kScreenWidth, kScreenHeight);
    // A picture smaller than the screen leaves a band around each rectangle unpainted: it keeps
    // the previous, larger drawing.
    Canvas surface = workImage.canvas();
    for (int n = 0; n < kFrameCount; ++n) {
        surface.stretchDraw(binocularDrawing(anchor, picture.width(), picture.height(), n),
                            picture);
        SaveFrame(surface.raster(), context.workDir, isZoomIn(tag) ? n : kLastFrame - n);
    }
}

}  // namespace felmo
