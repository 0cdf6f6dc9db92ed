// The binocular zoom of "Анимация" / "Эффекты" / "Бинокль": a loaded picture goes from squeezed
// into the screen (drawing 0) to a 176 x 208 cut-out at its own pixel size (drawing 11), scaled
// linearly in between while one of nine anchor points of the screen stays fixed. No mask is
// drawn: the frames are plain scaled views of the picture.
#pragma once

#include "effects/effect_context.hpp"
#include "raster/canvas.hpp"

namespace felmo {

// Tags: zoom in ("Приблизить") 49..57 stores drawing n as frame n, zoom out ("Отдалить") 58..66
// as frame 11 - n; the anchors run in the same order in both.
inline constexpr int kTagBinocularInFirst = 49;
inline constexpr int kTagBinocularInLast = 57;
inline constexpr int kTagBinocularOutFirst = 58;
inline constexpr int kTagBinocularOutLast = 66;

// The point of the screen (and of the picture) that stays in place.
enum class BinocularAnchor {
    Left,         // "Влево": middle of the left edge
    LeftTop,      // "Влево+Вверх"
    Top,          // "Вверх": middle of the top edge
    RightTop,     // "Вправо+Вверх"
    Right,        // "Вправо": middle of the right edge
    RightBottom,  // "Вправо+Вниз"
    Bottom,       // "Вниз": middle of the bottom edge
    LeftBottom,   // "Влево+Вниз"
    Centre,       // "Центр"
};

// The anchor of a tag 49..66; felmo::Error for any other tag.
BinocularAnchor binocularAnchor(int tag);

// The rectangle the whole picture (width x height, each >= 1) is stretched into for drawing n
// (0..11). Size 176 + (width - 176) * n / 11 by 208 + (height - 208) * n / 11; an edge anchor
// puts the rectangle's edge on the screen's (offset 0, or -(width - 176) * n / 11 for the right
// and bottom edges), a middle anchor shifts by -(width - 176) * n / 22 (heights alike). Every
// division truncates toward zero after the product is taken.
Rect binocularDrawing(BinocularAnchor anchor, int width, int height, int n);

// Asks for a picture; on cancel nothing is written. Leaves the preview alone.
void ApproachAndDistance(EffectContext& context, int tag);

}  // namespace felmo
