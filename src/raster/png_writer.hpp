// PNG writing through libpng: a 24-bit raster becomes an 8-bit-per-channel RGB PNG, not
// interlaced, with no other chunks than the picture's. libpng's errors become felmo::Error
// ("Cannot write PNG data. <library's message>."); the library never exits the process.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "raster/raster.hpp"

namespace felmo {

// Throws felmo::Error for a raster that is empty or not 24-bit.
std::vector<std::uint8_t> encodePng(const Raster& raster);

// Writes atomically; "Cannot create file "<path>". <reason>" on failure.
void savePngFile(const Raster& raster, const std::filesystem::path& path);

}  // namespace felmo
