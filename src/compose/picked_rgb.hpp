// PickedRGB: the red, green and blue of the colour picked last (the splash strip colour, the
// bottom-strip colour or the overlay's background colour). The soft-edged blend reads it as its
// background key: source pixels of exactly this colour are skipped unless asked for.
#pragma once

#include <cstdint>

#include "raster/color.hpp"

namespace felmo {

struct PickedRGB {
    int R = 0;
    int G = 0;
    int B = 0;

    static PickedRGB of(Color color) {
        return PickedRGB{redOf(color), greenOf(color), blueOf(color)};
    }
    Color color() const {
        return rgb(static_cast<std::uint8_t>(R), static_cast<std::uint8_t>(G),
                   static_cast<std::uint8_t>(B));
    }
    friend bool operator==(const PickedRGB&, const PickedRGB&) = default;
};

}  // namespace felmo
