// Where the main window stands on screen. The stored position (X1, Y1) is the top-left corner of
// the window's frame, the corner a user drags; it is read back as the same place, start after
// start, whatever frame the window manager draws around the window.
#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace felmo {

// How many rows at the top of the frame must be on a screen for the window to be dragged, and how
// wide a piece of them at least.
inline constexpr int kTitleBarRows = 24;
inline constexpr int kTitleBarGrip = 64;

// The frame position to use for `stored`: unchanged while the title bar (the top kTitleBarRows of
// a frame of `frameSize` at `stored`, at least kTitleBarGrip columns of it) lies on one of the
// screens' available areas. Otherwise the frame goes to the screen nearest to it, moved no further
// than needed to be whole on that screen (its top-left corner first when it is larger). Without
// any screen the stored position is used as it is.
QPoint reachablePosition(QPoint stored, QSize frameSize, const QList<QRect>& screens);

}  // namespace felmo
