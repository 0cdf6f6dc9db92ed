// The picture-to-picture transitions of "Превращение" / "Из картинки в картинку": the splash
// picture turns into a picture the user loads over the 12 frames.
//
// "Точками" (TransformationFromPicture) is a dot dissolve: 762 more randomly chosen 2 x 2 cells of
// the new picture replace the old one in every frame, and frame 11 is the whole new picture.
// "Проявление" (Display) is a cross-fade: the new picture is blended over the old one again in
// every frame, at opacity 10, 20, ..., 120, each blend on the result of the one before.
#pragma once

#include <array>
#include <vector>

#include "effects/effect_context.hpp"
#include "raster/color.hpp"

namespace felmo {

// The dot dissolve's grid: 88 x 104 cells of 2 x 2 pixels over the 176 x 208 frame.
inline constexpr int kDotCellSize = 2;
inline constexpr int kDotColumns = 88;
inline constexpr int kDotRows = 104;
inline constexpr int kDotCellsPerFrame = 762;

struct DotCell {
    int column = 0;  // 0..87: pixel columns 2c and 2c + 1
    int row = 0;     // 0..103: pixel rows 2r and 2r + 1
    friend bool operator==(const DotCell&, const DotCell&) = default;
};

// Which cells have been copied in this run, by row * 88 + column.
using DotCellsUsed = std::array<bool, kDotColumns * kDotRows>;

struct DotPick {
    std::vector<DotCell> cells;  // in the order they came up
    int attempts = 0;            // random pairs drawn, rejected ones included
};

// Picks `count` cells that are not used yet and marks them used. One attempt draws the row,
// Random(104), then the column, Random(88); a pair naming a used cell is drawn again and does not
// count. Asking for more cells than are left is a felmo::Error (the draws would never end).
DotPick pickDotCells(EffectRandom& random, DotCellsUsed& used, int count);

// The dot dissolve. Asks for a picture; stops and rewinds the preview at the start and starts it
// again at the end (also after a cancel, which writes no frame).
void TransformationFromPicture(EffectContext& context);

// The key colour of the cross-fade: pure magenta pixels of the new picture are never blended.
inline constexpr Color kCrossFadeKeyColour = 0x00FF00FF;
inline constexpr int kCrossFadeOpacityStep = 10;

// The cross-fade. Asks for a picture; the preview is left running. New-picture pixels that are
// pure magenta or equal PickedRGB keep the old picture in every frame. When the old picture is
// smaller than 176 x 208 the blend cannot take the new picture, and every frame is the old
// picture.
void Display(EffectContext& context);

}  // namespace felmo
