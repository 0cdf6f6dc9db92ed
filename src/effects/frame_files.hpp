// The start-up animation on disk: exactly 12 frames, WorkDir/startup/0.bmp ... 11.bmp (decimal, no
// leading zeros), each a 24-bit BMP of the surface an effect saved.
#pragma once

#include <filesystem>

#include "raster/image.hpp"
#include "raster/raster.hpp"

namespace felmo {

inline constexpr int kFrameCount = 12;
inline constexpr int kLastFrame = kFrameCount - 1;

// WorkDir/startup/<k>.bmp; felmo::Error for k outside 0..11.
std::filesystem::path frameFilePath(const std::filesystem::path& workDir, int k);

// Converts the surface to 24 bits in place and writes it as frame k, replacing the file
// atomically. "Cannot create file "<path>". <reason>" when it cannot be written.
void SaveFrame(Raster& surface, const std::filesystem::path& workDir, int k);
// The same for an image's surface (an empty image first gets its white surface).
void SaveFrame(Image& surface, const std::filesystem::path& workDir, int k);

}  // namespace felmo
