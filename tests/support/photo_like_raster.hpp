// A picture with the statistics of a photograph rather than of a test pattern: smooth colour
// gradients, a few soft-edged coloured shapes and fine sensor-like noise, from a fixed seed, so
// quality measurements (palettes, lossy encoders) see what a user's pictures give them. `shift`
// moves the content to the left, for animations whose frames differ.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "raster/raster.hpp"

namespace felmo::testing {

inline Raster photoLikeRaster(int width, int height, int shift = 0) {
    struct Blob {
        double x, y, radius, red, green, blue;
    };
    static constexpr Blob kBlobs[] = {
        {0.25, 0.30, 0.22, 230, 60, 40},  {0.70, 0.25, 0.18, 40, 160, 220},
        {0.55, 0.70, 0.30, 250, 210, 80}, {0.15, 0.80, 0.16, 60, 200, 90},
        {0.85, 0.75, 0.12, 180, 70, 200},
    };
    Raster raster(width, height);
    std::uint32_t seed = 12345;
    const double scale = std::max(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double u = (x + shift) / scale;
            const double v = y / scale;
            // A sky-like gradient with slow waves in it.
            double red = 90 + 80 * v + 20 * std::sin(u * 7.0 + v * 3.0);
            double green = 120 + 50 * std::sin(u * 3.0) * std::cos(v * 4.0);
            double blue = 200 - 90 * v + 25 * std::cos(u * 5.0 - v * 2.0);
            for (const Blob& blob : kBlobs) {
                const double dx = u - blob.x, dy = v - blob.y;
                const double weight = std::exp(-(dx * dx + dy * dy) / (blob.radius * blob.radius));
                red += (blob.red - red) * weight;
                green += (blob.green - green) * weight;
                blue += (blob.blue - blue) * weight;
            }
            auto noisy = [&seed](double value) {
                seed = seed * 1664525u + 1013904223u;
                const double noise = static_cast<double>(seed >> 24) / 255.0 * 8.0 - 4.0;
                return static_cast<std::uint8_t>(std::clamp(value + noise, 0.0, 255.0));
            };
            const std::uint8_t r = noisy(red), g = noisy(green), b = noisy(blue);
            raster.setPixel(x, y, rgb(r, g, b));
        }
    }
    return raster;
}

}  // namespace felmo::testing
