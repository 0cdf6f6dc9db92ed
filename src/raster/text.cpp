#include "raster/text.hpp"

#include <algorithm>

#include "raster/canvas.hpp"

namespace felmo {
namespace {

TextRasterizer* installed = nullptr;

}  // namespace

void installTextRasterizer(TextRasterizer* rasterizer) {
    installed = rasterizer;
}

TextRasterizer* installedTextRasterizer() {
    return installed;
}

void Canvas::textOut(int x, int y, std::string_view text) {
    if (installed == nullptr || text.empty())
        return;
    Raster& target = *target_;
    const DrawingState& state = target.state();
    const GlyphMask mask = installed->render(text, state.font);
    if (mask.width <= 0 || mask.height <= 0)
        return;
    // A mask shorter than it claims is taken as far as it goes.
    const std::size_t rows =
        std::min<std::size_t>(static_cast<std::size_t>(mask.height),
                              mask.coverage.size() / static_cast<std::size_t>(mask.width));
    if (state.backgroundMode == BackgroundMode::Opaque) {
        const Color brush = target.reduceToFormat(state.brushColor);
        for (std::size_t row = 0; row < rows; ++row)
            for (int column = 0; column < mask.width; ++column)
                target.setPixel(x + column, y + static_cast<int>(row), brush);
    }
    for (std::size_t row = 0; row < rows; ++row) {
        const std::uint8_t* coverage =
            mask.coverage.data() + row * static_cast<std::size_t>(mask.width);
        for (int column = 0; column < mask.width; ++column)
            if (coverage[column] >= 128)
                target.setPixel(x + column, y + static_cast<int>(row), state.font.color);
    }
}

}  // namespace felmo
