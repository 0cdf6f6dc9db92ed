#include "effects/light_tunnel.hpp"

#include <initializer_list>
#include <string>

#include "base/error.hpp"
#include "compose/still_pictures.hpp"

namespace felmo {
namespace {

struct Point {
    int x = 0;
    int y = 0;
};

// The circle's outline and everything outside it that the seeds reach, in the background colour.
// The fill is bounded by every pixel of the background colour, the outline's and the picture's
// own alike, so picture areas enclosed by such pixels stay visible, and a seed that already has
// the background colour fills nothing.
void maskOutsideCircle(Raster& surface, const Rect& box, Color background,
                       std::initializer_list<Point> seeds) {
    Canvas canvas(surface);
    canvas.setPenColor(background);
    canvas.setBrushStyle(BrushStyle::Clear);
    canvas.ellipse(box.left, box.top, box.right, box.bottom);
    canvas.setBrushColor(background);  // solid again
    for (const Point& seed : seeds)
        canvas.floodFillBorder(seed.x, seed.y, background);
}

// A fresh copy of the splash picture on the work image, for one drawing.
Raster& freshSplashCopy(EffectContext& context, Image& workImage) {
    workImage.setPicture(context.splashPicture());
    return *workImage.picture();
}

}  // namespace

Rect tunnelOpening(int n) {
    if (n < 0 || n > kLastFrame)
        throw Error("The tunnel has no drawing " + std::to_string(n) + ".");
    const int a = kScreenWidth / 2 - 10 * (n + 1);
    const int b = kScreenHeight / 2 - 10 * (n + 1);
    return Rect{a, b, kScreenWidth - a, kScreenHeight - b};
}

std::array<Rect, kFrameCount> lightSpotPath(int randomX, int randomY) {
    int x = 17 * randomX - 15;
    int y = 20 * randomY - 16;
    int dx = -1;
    int dy = -1;
    std::array<Rect, kFrameCount> boxes{};
    for (Rect& box : boxes) {
        if ((x > 50 && dx == 1) || (x < 7 && dx == -1))
            dx = -dx;
        if ((y > 80 && dy == 1) || (y < 7 && dy == -1))
            dy = -dy;
        x += 17 * dx;
        y += 20 * dy;
        box = Rect::bySize(x, y, kLightSpotDiameter, kLightSpotDiameter);
    }
    return boxes;
}

void MovementOnTunnel(EffectContext& context, int tag) {
    if (tag < kTagTunnelOutBlack || tag > kTagTunnelInWhite)
        throw Error("MovementOnTunnel has no variant with tag " + std::to_string(tag) + ".");
    const bool white = tag == kTagTunnelOutWhite || tag == kTagTunnelInWhite;
    const bool reversed = tag == kTagTunnelInBlack || tag == kTagTunnelInWhite;
    const Color background = white ? colors::white : colors::black;

    Image& workImage = context.work.TunnelSurface;
    workImage.setSize(kScreenWidth, kScreenHeight);
    constexpr int right = kScreenWidth - 1;
    constexpr int bottom = kScreenHeight - 1;
    for (int n = 0; n < kFrameCount; ++n) {
        Raster& surface = freshSplashCopy(context, workImage);
        // Each corner fills its own piece of the outside once the circle cuts it apart; a corner
        // an earlier fill has painted already has the border colour and fills nothing.
        maskOutsideCircle(surface, tunnelOpening(n), background,
                          {{0, 0}, {right, 0}, {0, bottom}, {right, bottom}});
        SaveFrame(surface, context.workDir, reversed ? kLastFrame - n : n);
    }
}

void MovementDirectedLight(EffectContext& context, int tag) {
    if (tag != kTagLightBlack && tag != kTagLightWhite)
        throw Error("MovementDirectedLight has no variant with tag " + std::to_string(tag) + ".");

    Image& workImage = context.work.LightSurface;
    workImage.setSize(kScreenWidth, kScreenHeight);
    // Two draws per run, x first.
    const int randomX = context.random.random(4);
    const int randomY = context.random.random(5);
    const Color background = tag == kTagLightWhite ? colors::white : colors::black;

    const std::array<Rect, kFrameCount> boxes = lightSpotPath(randomX, randomY);
    for (int n = 0; n < kFrameCount; ++n) {
        Raster& surface = freshSplashCopy(context, workImage);
        // The box's top-left corner lies outside the circle, and the box keeps inside the
        // surface, so the outside is one piece reached from there.
        maskOutsideCircle(surface, boxes[n], background, {{boxes[n].left, boxes[n].top}});
        SaveFrame(surface, context.workDir, n);
    }
}

}  // namespace felmo
