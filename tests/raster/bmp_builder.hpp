// Builds BMP files byte by byte for reader tests: any header size, depth, compression, colour
// table and mask set, with every field open to being made wrong on purpose.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "raster/color.hpp"

namespace felmo::testing {

struct BmpBuilder {
    std::uint32_t headerSize = 40;
    std::int32_t width = 1;
    std::int32_t height = 1;  // negative: rows top-down
    std::uint16_t bitsPerPixel = 24;
    std::uint32_t compression = 0;
    std::uint32_t colorsUsed = 0;
    std::vector<Color> palette;
    // For a 40-byte header written after it, for larger headers inside it.
    std::optional<std::array<std::uint32_t, 3>> masks;
    // Rows in file order, unpadded; padding to 4 bytes is added.
    std::vector<std::vector<std::uint8_t>> rows;
    // Used instead of `rows` when set (compressed data, or truncated data).
    std::optional<std::vector<std::uint8_t>> pixelData;
    std::optional<std::uint32_t> dataOffset;

    std::vector<std::uint8_t> build() const {
        std::vector<std::uint8_t> bytes(14 + headerSize, 0);
        auto put16 = [&](std::size_t at, std::uint32_t value) {
            bytes[at] = static_cast<std::uint8_t>(value);
            bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
        };
        auto put32 = [&](std::size_t at, std::uint32_t value) {
            put16(at, value);
            put16(at + 2, value >> 16);
        };
        bytes[0] = 'B';
        bytes[1] = 'M';
        put32(14, headerSize);
        if (headerSize == 12) {
            put16(18, static_cast<std::uint32_t>(width));
            put16(20, static_cast<std::uint32_t>(height));
            put16(22, 1);
            put16(24, bitsPerPixel);
        } else {
            put32(18, static_cast<std::uint32_t>(width));
            put32(22, static_cast<std::uint32_t>(height));
            put16(26, 1);
            put16(28, bitsPerPixel);
            put32(30, compression);
            put32(46, colorsUsed);
            if (masks && headerSize >= 52)
                for (int i = 0; i < 3; ++i)
                    put32(54 + 4 * i, (*masks)[i]);
        }
        if (masks && headerSize == 40) {
            for (std::uint32_t mask : *masks)
                for (int i = 0; i < 4; ++i)
                    bytes.push_back(static_cast<std::uint8_t>(mask >> (8 * i)));
        }
        for (Color color : palette) {
            bytes.push_back(blueOf(color));
            bytes.push_back(greenOf(color));
            bytes.push_back(redOf(color));
            if (headerSize != 12)
                bytes.push_back(0);
        }
        put32(10, dataOffset.value_or(static_cast<std::uint32_t>(bytes.size())));
        if (pixelData) {
            bytes.insert(bytes.end(), pixelData->begin(), pixelData->end());
        } else {
            for (const auto& row : rows) {
                bytes.insert(bytes.end(), row.begin(), row.end());
                bytes.resize(bytes.size() + (4 - row.size() % 4) % 4, 0);
            }
        }
        put32(2, static_cast<std::uint32_t>(bytes.size()));
        return bytes;
    }
};

}  // namespace felmo::testing
