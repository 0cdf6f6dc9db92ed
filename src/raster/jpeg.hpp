// JPEG decoding through libjpeg (6b interface): full size, default DCT method, fancy upsampling
// and block smoothing on. Colour pictures give a 24-bit raster (CMYK ones converted to RGB);
// greyscale pictures (one component) are quantised by the library to at most 236 levels into an
// 8-bit palette raster. libjpeg's errors become felmo::Error ("Invalid JPEG data. <library's
// message>."); its warnings are not printed, except that compressed data ending inside the
// picture (a truncated file) is an error too. The library never exits the process. Pictures
// larger than Raster's limits are refused before decoding starts.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

#include "raster/raster.hpp"

namespace felmo {

Raster decodeJpeg(std::span<const std::uint8_t> bytes);
// "Cannot open file ..." when unreadable; "Invalid JPEG file "<path>". <message>." when the
// content is not a valid JPEG.
Raster loadJpegFile(const std::filesystem::path& path);
// The same for the bytes already read from `path`.
Raster decodeJpegFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

}  // namespace felmo
