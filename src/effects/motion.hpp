// The motion effects of "Анимация" / "Движение": the horizontal and vertical slides of a loaded
// picture across the screen, and the zoom in place of the splash picture.
#pragma once

#include <array>

#include "effects/effect_context.hpp"
#include "effects/frame_files.hpp"

namespace felmo {

// Tags.
inline constexpr int kTagSlideRight = 9;  // "Слева направо"
inline constexpr int kTagSlideLeft = 10;  // "Справа налево"
inline constexpr int kTagSlideDown = 11;  // "Сверху вниз"
inline constexpr int kTagSlideUp = 12;    // "Снизу вверх"
inline constexpr int kTagZoomIn = 18;     // "Приближать"
inline constexpr int kTagZoomOut = 19;    // "Отдалять"

// Strip surfaces of the slides: 12 screens side by side (or one above the other).
inline constexpr int kHorizontalStripWidth = 12 * 176;  // 2112
inline constexpr int kVerticalStripHeight = 12 * 208;   // 2496

// A slide along one axis: the picture is fitted to the screen across the motion, and the frames
// are windows onto it at the given offsets (frame n drawn at positions[n]).
struct SlidePlan {
    double fittedLength = 0;  // picture length along the motion after fitting (stored as double)
    int paintedLength = 0;    // trunc(fittedLength): the strip part the picture is stretched into
    double step = 0;          // (fittedLength - screen length) / 11, stored as double
    std::array<int, kFrameCount> positions{};
};

// pictureAlong/pictureAcross: the picture's size along and across the motion (>= 1);
// screenAlong/screenAcross: the screen's. scale = screenAcross / pictureAcross in extended
// precision; fitted length and step are stored as doubles; position n = trunc((n - 11) * step)
// when `towardsEnd` (the picture travels right or down), trunc(-n * step) otherwise, with the
// product taken exactly and truncated toward zero.
SlidePlan planSlide(int pictureAlong, int pictureAcross, int screenAlong, int screenAcross,
                    bool towardsEnd);

// Tag 9: the picture moves left to right; tag 10: right to left. Asks for a picture.
void MoveRightLeft(EffectContext& context, int tag);
// Tag 11: the picture moves top to bottom; tag 12: bottom to top. Asks for a picture.
void MoveUpDown(EffectContext& context, int tag);

// Size table of the zoom in place: drawing n uses entry 11 - n.
inline constexpr std::array<int, kFrameCount> kApproachWidths = {176, 162, 148, 134, 120, 106,
                                                                 92,  78,  64,  50,  36,  22};
inline constexpr std::array<int, kFrameCount> kApproachHeights = {208, 191, 174, 158, 141, 125,
                                                                  108, 92,  75,  59,  42,  26};

// Tag 18: the splash picture grows from a 22 x 26 centred copy to full screen; tag 19 the reverse.
// The field around it has the colour of the splash picture's top-left pixel.
void ApproachPostpone(EffectContext& context, int tag);

}  // namespace felmo
