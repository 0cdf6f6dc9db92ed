// IndicatorGlyph: the 24 x 5 mark drawn at the right of the splash status strip, in two colour
// variants: "Black" (white glyph on black) for dark strips and "White" (black glyph on white) for
// bright ones.
#pragma once

#include <array>
#include <string_view>

#include "raster/raster.hpp"

namespace felmo {

inline constexpr int kIndicatorGlyphWidth = 24;
inline constexpr int kIndicatorGlyphHeight = 5;

// Rows top to bottom; 'X' is a glyph pixel, '.' background.
inline constexpr std::array<std::string_view, kIndicatorGlyphHeight> kIndicatorGlyphPattern = {
    "..XXXXX...XXX.XXXX..X.XX",  //
    ".X...X.X.X...X...X.X..X.",  //
    ".XX.XXX..XX..XX..XXX.X..",  //
    "...XX..X.X.....X.X.XX...",  //
    "XXX.XXX.XXXXXXX..X.X....",  //
};

// The glyph drawn in `glyphColor` on `backgroundColor`.
Raster makeIndicatorGlyph(Color glyphColor, Color backgroundColor);

}  // namespace felmo
