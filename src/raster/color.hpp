// Colour values: 32-bit integers laid out 00BBGGRR (red in the lowest byte), as every picture
// routine of the program passes them.
#pragma once

#include <cstdint>

namespace felmo {

using Color = std::uint32_t;

constexpr Color rgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return Color{red} | (Color{green} << 8) | (Color{blue} << 16);
}
constexpr std::uint8_t redOf(Color c) {
    return static_cast<std::uint8_t>(c & 0xFF);
}
constexpr std::uint8_t greenOf(Color c) {
    return static_cast<std::uint8_t>((c >> 8) & 0xFF);
}
constexpr std::uint8_t blueOf(Color c) {
    return static_cast<std::uint8_t>((c >> 16) & 0xFF);
}

namespace colors {
inline constexpr Color black = 0x00000000;
inline constexpr Color white = 0x00FFFFFF;
inline constexpr Color red = 0x000000FF;
inline constexpr Color magenta = 0x00FF00FF;
// What reading a pixel outside a raster gives.
inline constexpr Color outside = 0xFFFFFFFF;
}  // namespace colors

}  // namespace felmo
