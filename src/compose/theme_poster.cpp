#include "compose/theme_poster.hpp"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "compose/still_pictures.hpp"

namespace felmo {
namespace {

// One screen of the poster: the pictures stacked from its top-left corner down.
struct Screen {
    std::vector<const Raster*> pictures;

    int width() const {
        int width = kScreenWidth;
        for (const Raster* picture : pictures)
            width = std::max(width, picture->width());
        return width;
    }
    int height() const {
        int stacked = 0;
        for (const Raster* picture : pictures)
            stacked += picture->height();
        return std::max(kScreenHeight, stacked);
    }
};

// Copies `picture` whole to (left, top) of `poster`; rows are 24-bit in storage for every format.
void place(Raster& poster, const Raster& picture, int left, int top) {
    const std::size_t rowBytes = static_cast<std::size_t>(picture.width()) * 3;
    for (int y = 0; y < picture.height(); ++y)
        std::memcpy(poster.storageRow(top + y) + static_cast<std::size_t>(left) * 3,
                    picture.storageRow(y), rowBytes);
}

void fill(Raster& poster, int left, int top, int width, int height, Color colour) {
    for (int y = top; y < top + height; ++y)
        for (int x = left; x < left + width; ++x)
            poster.setPixel(x, y, colour);
}

}  // namespace

Raster composeThemePoster(const ThemeScreens& screens) {
    const std::array<Screen, 4> row{
        Screen{{screens.statusArea, screens.background}},
        Screen{{screens.splash}},
        Screen{{screens.lastStartupFrame}},
        Screen{{screens.welcome}},
    };
    // Sizes in 64 bits: the raster's own limits refuse what does not fit.
    std::int64_t width = kPosterSpacing;
    std::int64_t height = 0;
    for (const Screen& screen : row) {
        width += screen.width() + kPosterSpacing;
        height = std::max<std::int64_t>(height, screen.height());
    }
    height += 2 * kPosterSpacing;
    Raster poster(static_cast<int>(std::min<std::int64_t>(width, Raster::kMaxDimension + 1)),
                  static_cast<int>(std::min<std::int64_t>(height, Raster::kMaxDimension + 1)),
                  kPosterGround);

    int left = kPosterSpacing;
    for (const Screen& screen : row) {
        fill(poster, left, kPosterSpacing, screen.width(), screen.height(), colors::black);
        int top = kPosterSpacing;
        for (const Raster* picture : screen.pictures) {
            place(poster, *picture, left, top);
            top += picture->height();
        }
        left += screen.width() + kPosterSpacing;
    }
    return poster;
}

}  // namespace felmo
