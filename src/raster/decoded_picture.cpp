#include "raster/decoded_picture.hpp"

#include <algorithm>
#include <cstddef>

namespace felmo {

void dropAlphaWhenOpaque(DecodedPicture& picture) {
    if (std::all_of(picture.alpha.begin(), picture.alpha.end(),
                    [](std::uint8_t opacity) { return opacity == 255; }))
        picture.alpha.clear();
}

Raster flattenOverBlack(DecodedPicture picture) {
    Raster raster = std::move(picture.colour);
    if (picture.alpha.empty())
        return raster;
    const std::size_t width = static_cast<std::size_t>(raster.width());
    const std::uint8_t* opacity = picture.alpha.data();
    for (int y = 0; y < raster.height(); ++y, opacity += width) {
        std::uint8_t* pixel = raster.storageRow(y);
        for (std::size_t x = 0; x < width; ++x, pixel += 3) {
            const unsigned a = opacity[x];
            if (a == 255)
                continue;
            for (int channel = 0; channel < 3; ++channel)
                pixel[channel] = static_cast<std::uint8_t>((pixel[channel] * a + 127) / 255);
        }
    }
    return raster;
}

Raster keyTranslucentPixels(DecodedPicture picture, Color key) {
    Raster raster = std::move(picture.colour);
    if (picture.alpha.empty())
        return raster;
    const std::size_t width = static_cast<std::size_t>(raster.width());
    const std::uint8_t* opacity = picture.alpha.data();
    for (int y = 0; y < raster.height(); ++y, opacity += width) {
        std::uint8_t* pixel = raster.storageRow(y);
        for (std::size_t x = 0; x < width; ++x, pixel += 3) {
            if (opacity[x] >= 128)
                continue;
            pixel[0] = blueOf(key);
            pixel[1] = greenOf(key);
            pixel[2] = redOf(key);
        }
    }
    return raster;
}

}  // namespace felmo
