// The seam through which text reaches a raster. The core has no fonts of its own: a front end
// with a font engine installs a TextRasterizer; without one, textOut draws nothing (text is used
// only on preview pictures, never on anything the build saves).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "raster/raster.hpp"

namespace felmo {

// Coverage mask of a rendered text: width x height bytes, row 0 at the top; a byte of 128 or
// more is a glyph pixel. (0, 0) is the top-left corner of the first character cell.
struct GlyphMask {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> coverage;
};

class TextRasterizer {
  public:
    virtual ~TextRasterizer() = default;
    virtual GlyphMask render(std::string_view utf8Text, const Font& font) = 0;
};

// Installs the process-wide rasteriser (nullptr removes it). The caller keeps ownership and
// must keep it alive while installed.
void installTextRasterizer(TextRasterizer* rasterizer);
TextRasterizer* installedTextRasterizer();

}  // namespace felmo
