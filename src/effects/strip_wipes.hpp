// The strip wipes of "Превращение" / "Из картинки в картинку" / "Линиями": the splash picture is
// replaced by a loaded picture like a set of blinds. The frame is cut into bands 12 lines wide and
// in every frame each band takes over one more line of the new picture, at the same place in
// every band.
//
// Each line travels through a scratch raster one pixel thick and is written back one pixel off,
// so the new picture arrives shifted: in the vertical wipe a taken-over column p holds white in
// row 0 and the new picture's pixel (p, y - 1) in rows 1..207; in the horizontal wipe a
// taken-over row p keeps the old pixel in column 0, is white in column 1 and holds the new
// picture's pixel (x - 2, p) in columns 2..175. The white comes from the scratch rasters' pixel
// (0, 0), which nothing ever paints.
#pragma once

#include "effects/effect_context.hpp"

namespace felmo {

// Tags.
inline constexpr int kTagBlindsDown = 71;  // "Горизонтальными" / "Сверху вниз"
inline constexpr int kTagBlindsUp = 72;  // "Горизонтальными" / "Снизу вверх"
inline constexpr int kTagBlindsRight = 73;  // "Вертикальными" / "Слева направо"
inline constexpr int kTagBlindsLeft = 74;  // "Вертикальными" / "Справа налево"

inline constexpr int kBlindBandWidth = 12;
// Bands per frame: enough to reach past the frame's far edge (positions beyond it change nothing).
inline constexpr int kHorizontalBlindBands = 19;  // rows up to 227
inline constexpr int kVerticalBlindBands = 16;    // columns up to 191

enum class BlindOrder { FirstLineFirst, LastLineFirst };

// The line of band `band` taken over in frame `frame`: frame + 12 * band, or (11 - frame) +
// 12 * band when the bands fill from their last line.
int blindLine(int frame, int band, BlindOrder order);

// Tag 71: horizontal bands filled from the top down; any other tag: from the bottom up.
// Asks for a picture; a cancel writes no frame. The preview timer is left alone.
void HorizontalStrips(EffectContext& context, int tag);
// Tag 73: vertical bands filled from left to right; any other tag: from right to left.
void VerticalStrips(EffectContext& context, int tag);

}  // namespace felmo
