#include "compose/indicator_glyph.hpp"

namespace felmo {

Raster makeIndicatorGlyph(Color glyphColor, Color backgroundColor) {
    Raster glyph(kIndicatorGlyphWidth, kIndicatorGlyphHeight, backgroundColor);
    for (int y = 0; y < kIndicatorGlyphHeight; ++y)
        for (int x = 0; x < kIndicatorGlyphWidth; ++x)
            if (kIndicatorGlyphPattern[y][x] == 'X')
                glyph.setPixel(x, y, glyphColor);
    return glyph;
}

}  // namespace felmo
