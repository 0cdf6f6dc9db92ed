// IndicatorGlyph: the 24 x 5 mark drawn at the right of the splash status strip, in two colour
// variants kept as bitmap resources: "Black" (white glyph on black) for dark strips and "White"
// (black glyph on white) for bright ones.
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

// The resource names of the two variants.
inline constexpr std::string_view kIndicatorGlyphOnBlack = "Black";  // white glyph on black
inline constexpr std::string_view kIndicatorGlyphOnWhite = "White";  // black glyph on white

// The glyph drawn in `glyphColor` on `backgroundColor`.
Raster makeIndicatorGlyph(Color glyphColor, Color backgroundColor);

// Registers "Black" and "White" as bitmap resources. Call once at program start (calling it
// again re-registers the same bitmaps).
void registerIndicatorGlyphs();

}  // namespace felmo
