#include "app/window_placement.hpp"

#include <algorithm>
#include <limits>

namespace felmo {
namespace {

bool titleBarReachable(const QRect& titleBar, const QRect& screen) {
    const QRect shared = titleBar.intersected(screen);
    return shared.height() == titleBar.height() &&
           shared.width() >= std::min(kTitleBarGrip, titleBar.width());
}

// Squared distance between two rectangles (0 when they overlap).
long long distanceSquared(const QRect& a, const QRect& b) {
    const long long dx = std::max({0, b.left() - a.right(), a.left() - b.right()});
    const long long dy = std::max({0, b.top() - a.bottom(), a.top() - b.bottom()});
    return dx * dx + dy * dy;
}

int clampInto(int start, int length, int areaStart, int areaLength) {
    return std::max(areaStart, std::min(start, areaStart + areaLength - length));
}

}  // namespace

QPoint reachablePosition(QPoint stored, QSize frameSize, const QList<QRect>& screens) {
    if (screens.isEmpty())
        return stored;
    const QSize size(std::max(1, frameSize.width()), std::max(1, frameSize.height()));
    const QRect titleBar(stored, QSize(size.width(), std::min(kTitleBarRows, size.height())));
    for (const QRect& screen : screens) {
        if (titleBarReachable(titleBar, screen))
            return stored;
    }
    const QRect frame(stored, size);
    const QRect* nearest = &screens.front();
    long long nearestDistance = std::numeric_limits<long long>::max();
    for (const QRect& screen : screens) {
        const long long distance = distanceSquared(frame, screen);
        if (distance < nearestDistance) {
            nearestDistance = distance;
            nearest = &screen;
        }
    }
    return {clampInto(stored.x(), size.width(), nearest->left(), nearest->width()),
            clampInto(stored.y(), size.height(), nearest->top(), nearest->height())};
}

}  // namespace felmo
