// The masking effects of "Анимация" / "Движение": the splash picture seen through a circular
// opening, everything outside it black or white. The tunnel's opening is centred and grows (or
// shrinks) by 20 pixels of diameter per frame; the directed light is a spot 120 pixels across that
// wanders over the picture from a random start, bouncing between fixed limits.
#pragma once

#include <array>

#include "effects/effect_context.hpp"
#include "effects/frame_files.hpp"
#include "raster/canvas.hpp"

namespace felmo {

// Tags.
inline constexpr int kTagTunnelOutBlack = 20;  // "Из тоннеля" / "Ченый фон"
inline constexpr int kTagTunnelOutWhite = 21;  // "Из тоннеля" / "Белый фон"
inline constexpr int kTagTunnelInBlack = 22;   // "В тоннель" / "Ченый фон"
inline constexpr int kTagTunnelInWhite = 23;   // "В тоннель" / "Белый фон"
inline constexpr int kTagLightBlack = 45;  // "Направленного света" / "Черный фон"
inline constexpr int kTagLightWhite = 46;  // "Направленного света" / "Белый фон"

inline constexpr int kLightSpotDiameter = 120;

// The box of the tunnel's circle in drawing n (0..11): diameter 20 * (n + 1) around (88, 104),
// running past the surface's edges from drawing 8 on.
Rect tunnelOpening(int n);

// The boxes of the light spot's 12 drawings for the two start draws of EffectRandom: x starts at
// 17 * randomX - 15 (randomX 0..3), y at 20 * randomY - 16 (randomY 0..4), both moving towards
// the top-left; before each step a coordinate that has passed its limit (x > 50 or < 7, y > 80 or
// < 7) turns back, then x moves by 17 and y by 20.
std::array<Rect, kFrameCount> lightSpotPath(int randomX, int randomY);

// Tags 20 and 21 open the tunnel (drawing n is frame n), 22 and 23 close it (frame 11 - n);
// 20 and 22 mask with black, 21 and 23 with white. Leaves the preview alone.
void MovementOnTunnel(EffectContext& context, int tag);

// Tag 45 masks with black, 46 with white. Draws Random(4) then Random(5) from the context's
// EffectRandom for the start position. Leaves the preview alone.
void MovementDirectedLight(EffectContext& context, int tag);

}  // namespace felmo
