// Pictures for tests and benchmarks that need realistic (not flat) content: one with no two
// neighbouring pixels alike, and noise that no run-length scheme can shorten.
#pragma once

#include <cstddef>
#include <cstdint>

#include "raster/raster.hpp"

namespace felmo::testing {

// Red follows the column, green the row, blue their exclusive or.
inline Raster patternedRaster(int width, int height) {
    Raster raster(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            raster.setPixel(x, y,
                            rgb(static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y),
                                static_cast<std::uint8_t>(x ^ y)));
    return raster;
}

// Every byte from a fixed-seed generator.
inline Raster noiseRaster(int width, int height, std::uint32_t seed) {
    Raster raster(width, height);
    for (int y = 0; y < height; ++y)
        for (std::size_t i = 0; i < static_cast<std::size_t>(width) * 3; ++i) {
            seed = seed * 1664525u + 1013904223u;
            raster.storageRow(y)[i] = static_cast<std::uint8_t>(seed >> 24);
        }
    return raster;
}

}  // namespace felmo::testing
