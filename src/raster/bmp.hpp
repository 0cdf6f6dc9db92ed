// BMP files: the reader takes every standard depth (1, 4, 8, 16, 24, 32 bits), bottom-up and
// top-down rows, the BITMAPCOREHEADER, INFO, V4 and V5 headers, bit-field masks for 16 and 32
// bits and RLE4/RLE8; the raster keeps the file's format. The writer always writes the 24-bit
// layout: 54-byte header, no colour table, rows bottom-up padded to 4 bytes with zeros.
//
// Both work on memory; a damaged or hostile file is a felmo::Error (naming the problem) thrown
// before any large allocation.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "raster/raster.hpp"

namespace felmo {

Raster decodeBmp(std::span<const std::uint8_t> bytes);
// Encodes a 24-bit raster (throws felmo::Error for any other format). The resolution fields
// carry the raster's pixels per metre (0 for rasters the program creates).
std::vector<std::uint8_t> encodeBmp(const Raster& raster);

// File forms. Reading: "Cannot open file "<path>". <reason>" when the file cannot be read, the
// decoder's message with the path when it is not a valid BMP. Writing: atomically, "Cannot create
// file "<path>". <reason>" on failure.
Raster loadBmpFile(const std::filesystem::path& path);
void saveBmpFile(const Raster& raster, const std::filesystem::path& path);

}  // namespace felmo
