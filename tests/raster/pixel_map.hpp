// Pixel maps for tests: a raster written as rows of characters, one character per pixel, with a
// legend of colours. Comparing maps gives failures that show the picture.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "raster/raster.hpp"

namespace felmo::testing {

using Legend = std::map<char, Color>;
using PixelMap = std::vector<std::string>;

inline Raster rasterFromMap(const PixelMap& rows, const Legend& legend) {
    const int height = static_cast<int>(rows.size());
    const int width = height == 0 ? 0 : static_cast<int>(rows.front().size());
    Raster raster(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            raster.setPixel(x, y, legend.at(rows[y][x]));
    return raster;
}

// Colours missing from the legend show as '?'.
inline PixelMap mapOf(const Raster& raster, const Legend& legend) {
    PixelMap rows(raster.height(), std::string(raster.width(), '?'));
    for (int y = 0; y < raster.height(); ++y)
        for (int x = 0; x < raster.width(); ++x)
            for (const auto& [symbol, color] : legend)
                if (raster.pixel(x, y) == color) {
                    rows[y][x] = symbol;
                    break;
                }
    return rows;
}

// An asymmetric test picture: every pixel has its own colour, made from its position.
inline Color positionColor(int x, int y) {
    return rgb(static_cast<std::uint8_t>(x * 37 + 11), static_cast<std::uint8_t>(y * 53 + 7),
               static_cast<std::uint8_t>((x * 13) ^ (y * 29)));
}

inline Raster positionRaster(int width, int height) {
    Raster raster(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            raster.setPixel(x, y, positionColor(x, y));
    return raster;
}

}  // namespace felmo::testing
