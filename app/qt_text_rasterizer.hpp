// The text rasteriser of the window: renders preview text with Qt's fonts into the coverage mask
// the core draws with (see raster/text.hpp). The default sans-serif face at the font's pixel
// height, bold when asked, without antialiasing so that the previews get crisp one-colour text.
#pragma once

#include "raster/text.hpp"

namespace felmo {

class QtTextRasterizer : public TextRasterizer {
  public:
    GlyphMask render(std::string_view utf8Text, const Font& font) override;
};

}  // namespace felmo
