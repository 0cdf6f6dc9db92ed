// A picture with no two neighbouring pixels alike, for tests and benchmarks that need realistic
// (not flat) content: red follows the column, green the row, blue their exclusive or.
#pragma once

#include <cstdint>

#include "raster/raster.hpp"

namespace felmo::testing {

inline Raster patternedRaster(int width, int height) {
    Raster raster(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            raster.setPixel(x, y,
                            rgb(static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y),
                                static_cast<std::uint8_t>(x ^ y)));
    return raster;
}

}  // namespace felmo::testing
