// JPEG decoding through libjpeg (6b interface): full size, default DCT method, fancy upsampling
// and block smoothing on. Colour pictures give a 24-bit raster (CMYK ones converted to RGB);
// greyscale pictures (one component) are quantised by the library to at most 236 levels into an
// 8-bit palette raster. libjpeg's errors become felmo::Error ("Invalid JPEG data. <library's
// message>."); its warnings are not printed, except that compressed data ending inside the
// picture (a truncated file) is an error too. The library never exits the process. Pictures
// beyond the picture limit are refused before decoding starts.
//
// Memory: the scanlines go straight into the raster's rows (grey and CMYK through one row of
// scratch), so a baseline picture costs its raster and little more. A progressive one needs all
// its coefficients in the library's memory besides: the library may use at most
// jpegLibraryMemoryLimit() for a picture of that size, and a picture that needs more is refused
// with a message that says so.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

#include "base/byte_source.hpp"
#include "raster/raster.hpp"

namespace felmo {

// What the library may allocate for one picture: a byte a pixel plus a fixed allowance, so that
// with the 3-byte-a-pixel raster a picture at the limit stays near 4 bytes a pixel. Ordinary
// progressive photographs fit: 2 bytes a coefficient makes 3 bytes a pixel for 4:2:0 sampling,
// up to about 30 megapixels, and 6 for 4:4:4, up to about 12.
inline constexpr std::int64_t kJpegLibraryMemoryAllowance = std::int64_t{64} << 20;
long jpegLibraryMemoryLimit(std::int64_t width, std::int64_t height);

Raster decodeJpeg(std::span<const std::uint8_t> bytes);
Raster decodeJpeg(ByteSource& source);
// "Cannot open file ..." when unreadable; "Invalid JPEG file "<path>". <message>." when the
// content is not a valid JPEG.
Raster loadJpegFile(const std::filesystem::path& path);
// The same for the bytes already read from `path`.
Raster decodeJpegFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);
// The same for `path` open as `source`.
Raster decodeJpegFile(const std::filesystem::path& path, ByteSource& source);

}  // namespace felmo
