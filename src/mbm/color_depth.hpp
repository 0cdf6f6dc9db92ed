// The colour-depth reductions of .mbm bitmaps and their way back to 24 bits.
//
// Storage of one pixel, by mode (rows top first, each padded as strideBytes() says, padding
// written as 0xFF):
//   grey 1 / 2 / 4: 8 / 4 / 2 pixels a byte, pixel x in the lowest bits first;
//   grey 8: one level; colour 4 / 8: an index into the fixed 16- / 256-colour palette;
//   colour 12: little-endian word 0x0RGB; colour 16: little-endian RGB565 word;
//   colour 24: B, G, R; colour 32: B, G, R, 0.
//
// Reduction from 24 bits: exact grey (128, 128, 128) becomes (127, 127, 127) and (192, 192, 192)
// becomes (187, 187, 187) at every depth, as the platform's converter does; then channels are
// truncated (16: 5-6-5 bits, 12: 4 bits each); grey level = (2R + 5G + B) / 8, divided by 16,
// 64 or 128 for 4, 2 or 1 bits; palette index = table lookup on the top nibble of each channel
// (nearest palette colour by the sum of channel differences, ties to the lowest index).
// Back to 24 bits: 12: nibble x 17; 16: R5 x 255 / 31, G6 x 255 / 63, B5 x 255 / 31; palette
// indices: the palette colour; grey: the level scaled to 0..255.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "mbm/mbm_format.hpp"
#include "raster/color.hpp"
#include "raster/raster.hpp"

namespace felmo {

// The fixed palettes of the 8-bit and 4-bit colour modes.
Color palette256Color(int index);
Color palette16Color(int index);
// The palette index a colour is stored as.
std::uint8_t palette256Index(std::uint8_t red, std::uint8_t green, std::uint8_t blue);
std::uint8_t palette16Index(std::uint8_t red, std::uint8_t green, std::uint8_t blue);

// The stored value of one 24-bit colour in `mode` (a grey level, palette index or pixel word),
// and the colour that value reads back as.
std::uint32_t reduceColor(Color color, const BitmapMode& mode);
Color expandValue(std::uint32_t value, const BitmapMode& mode);

// The padded pixel buffer of a raster stored in `mode`, written into `out` (resized to
// stride x height). The raster's pixels are taken as stored (any source format).
void packPixels(const Raster& raster, const BitmapMode& mode, std::vector<std::uint8_t>& out);
// The same for rows [firstRow, firstRow + rowCount) only: packing a picture a few rows at a time
// gives the same bytes as packing it whole.
void packPixelRows(const Raster& raster, const BitmapMode& mode, int firstRow, int rowCount,
                   std::vector<std::uint8_t>& out);

// Fills a 24-bit raster (its size decides the width and height) from a padded pixel buffer of
// `mode`, which must hold at least stride x height bytes.
void unpackPixels(std::span<const std::uint8_t> raw, const BitmapMode& mode, Raster& raster);
// The same for rows [firstRow, firstRow + rowCount), whose padded bytes `raw` holds.
void unpackPixelRows(std::span<const std::uint8_t> raw, const BitmapMode& mode, int firstRow,
                     int rowCount, Raster& raster);

}  // namespace felmo
