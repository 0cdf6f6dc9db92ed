#include "raster/decoded_picture.hpp"

#include <algorithm>
#include <cstddef>

namespace felmo {
namespace {

// Calls change(pixel, opacity) for every pixel that is not fully opaque (pixel: blue, green, red
// bytes) and hands back the colour raster.
template <typename Change>
Raster changeTranslucentPixels(DecodedPicture picture, Change change) {
    Raster raster = std::move(picture.colour);
    if (picture.alpha.empty())
        return raster;
    const std::size_t width = static_cast<std::size_t>(raster.width());
    const std::uint8_t* opacity = picture.alpha.data();
    for (int y = 0; y < raster.height(); ++y, opacity += width) {
        std::uint8_t* pixel = raster.storageRow(y);
        for (std::size_t x = 0; x < width; ++x, pixel += 3)
            if (opacity[x] != 255)
                change(pixel, opacity[x]);
    }
    return raster;
}

}  // namespace

void dropAlphaWhenOpaque(DecodedPicture& picture) {
    if (std::all_of(picture.alpha.begin(), picture.alpha.end(),
                    [](std::uint8_t opacity) { return opacity == 255; }))
        picture.alpha.clear();
}

void splitBgra(const std::uint8_t* bgra, DecodedPicture& picture) {
    const std::size_t pixelCount =
        static_cast<std::size_t>(picture.colour.width()) * picture.colour.height();
    picture.alpha.resize(pixelCount);
    std::uint8_t* colour = picture.colour.storageRow(0);
    for (std::size_t i = 0; i < pixelCount; ++i, bgra += 4, colour += 3) {
        colour[0] = bgra[0];
        colour[1] = bgra[1];
        colour[2] = bgra[2];
        picture.alpha[i] = bgra[3];
    }
}

Raster flattenOverBlack(DecodedPicture picture) {
    return changeTranslucentPixels(std::move(picture), [](std::uint8_t* pixel, unsigned opacity) {
        for (int channel = 0; channel < 3; ++channel)
            pixel[channel] = static_cast<std::uint8_t>((pixel[channel] * opacity + 127) / 255);
    });
}

Raster keyTranslucentPixels(DecodedPicture picture, Color key) {
    return changeTranslucentPixels(std::move(picture),
                                   [key](std::uint8_t* pixel, unsigned opacity) {
                                       if (opacity >= 128)
                                           return;
                                       pixel[0] = blueOf(key);
                                       pixel[1] = greenOf(key);
                                       pixel[2] = redOf(key);
                                   });
}

}  // namespace felmo
