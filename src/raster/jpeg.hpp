// JPEG decoding through libjpeg (6b interface): full size, default DCT method, fancy upsampling
// and block smoothing on. Colour pictures give a 24-bit raster; greyscale pictures (one component)
// are quantised by the library to at most 236 levels into an 8-bit palette raster.
// libjpeg's errors become felmo::Error; the library never exits the process.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

#include "raster/raster.hpp"

namespace felmo {

Raster decodeJpeg(std::span<const std::uint8_t> bytes);
// "Cannot open file ..." when unreadable; the decoder's message when not a valid JPEG.
Raster loadJpegFile(const std::filesystem::path& path);

}  // namespace felmo
