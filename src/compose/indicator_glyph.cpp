#include "compose/indicator_glyph.hpp"

#include "raster/bitmap_resources.hpp"

namespace felmo {

Raster makeIndicatorGlyph(Color glyphColor, Color backgroundColor) {
    Raster glyph(kIndicatorGlyphWidth, kIndicatorGlyphHeight, backgroundColor);
    for (int y = 0; y < kIndicatorGlyphHeight; ++y)
        for (int x = 0; x < kIndicatorGlyphWidth; ++x)
            if (kIndicatorGlyphPattern[y][x] == 'X')
                glyph.setPixel(x, y, glyphColor);
    return glyph;
}

void registerIndicatorGlyphs() {
    registerBitmapResource(kIndicatorGlyphOnBlack,
                           makeIndicatorGlyph(colors::white, colors::black));
    registerBitmapResource(kIndicatorGlyphOnWhite,
                           makeIndicatorGlyph(colors::black, colors::white));
}

}  // namespace felmo
