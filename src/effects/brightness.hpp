// The brightness fades and the scatter/restore of "Анимация" / "Превращение": the splash picture
// comes out of, or vanishes into, plain black or white, with no new picture asked for.
//
// BrightnessBlackWhite moves every pixel a further step towards the background colour in every
// frame. ScatteredRestoration cuts the frame into 17 x 17 cells of 11 x 13 pixels and eats into
// each cell with two one-pixel strokes per frame, each taken at random from the cell's current
// left (or right) edge or its current top edge.
#pragma once

#include "effects/effect_context.hpp"
#include "raster/color.hpp"
#include "raster/image.hpp"

namespace felmo {

// Tags of BrightnessBlackWhite.
inline constexpr int kTagFadeInBlack = 33;  // "Проявление картинки" / "Черный фон"
inline constexpr int kTagFadeOutBlack = 34;  // "Исчезновение картинки" / "Черный фон"
inline constexpr int kTagFadeInWhite = 35;  // "Проявление картинки" / "Белый фон"
inline constexpr int kTagFadeOutWhite = 36;  // "Исчезновение картинки" / "Белый фон"

// Tags of ScatteredRestoration.
inline constexpr int kTagScatterLeftBlack = 26;  // "Рассыпание картинки" / "Справа налево"
inline constexpr int kTagScatterLeftWhite = 28;
inline constexpr int kTagScatterRightBlack = 29;  // "Рассыпание картинки" / "Слева направо"
inline constexpr int kTagScatterRightWhite = 44;
inline constexpr int kTagRestoreRightBlack = 40;  // "Восстановление картинки" / "Слева направо"
inline constexpr int kTagRestoreRightWhite = 41;
inline constexpr int kTagRestoreLeftBlack = 42;  // "Восстановление картинки" / "Справа налево"
inline constexpr int kTagRestoreLeftWhite = 43;

enum class FadeMode { Black, White };

// Every step takes this share of each channel's distance to the background colour, in 300ths:
// after the 11 steps of a run about 0.7^11 = 2 % of the distance is left.
inline constexpr int kFadeStepNumerator = 90;
inline constexpr int kFadeDivisor = 300;

// One fade step on the surface of `image`, in place. The positions visited are x = 0..H and
// y = 0..W + 32 with W x H the image's own size (not its raster's): for the 176 x 208 frame image
// that is 209 x 209 positions, every pixel of a 176 x 208 raster; positions outside the raster
// change nothing. Each channel c becomes c - MulDiv(c, numerator, divisor) in black mode and
// c + MulDiv(255 - c, numerator, divisor) in white mode. A share outside 0..1 (numerator < 0 or
// above the divisor, divisor < 1) is a felmo::Error.
void BrightnessChange(Image& image, FadeMode mode, int divisor, int numerator);

// Tags 34 and 36: the splash picture vanishes into black or white (frame 0 untouched, frame k
// after k steps); tags 33 and 35: it appears out of it (the same frames in reverse order). Other
// tags are refused. Stops the preview while it works and starts it again at the end.
void BrightnessBlackWhite(EffectContext& context, int tag);

// Scatter: frame n holds 2 (n + 1) strokes per cell; restore: the same pictures in reverse
// order. Draws 2 x 289 times Random(2) per frame. Other tags are refused; the preview is left
// alone.
void ScatteredRestoration(EffectContext& context, int tag);

}  // namespace felmo
