// Reading .mbm files from memory or from an open file (base/byte_source.hpp): a file is read
// a header or a band of rows at a time, never whole.
//
// The reader follows the trailer's offsets (bitmaps need not be contiguous) and accepts every
// depth and compression of the format. Everything is checked before anything large is
// allocated: the UIDs, the trailer and every offset against the buffer size, each bitmap header
// as the phone checks it (header length 40, no palette, positive size and depth, a colour value
// and a compression that fit the depth, an uncompressed size that matches the stride), the
// dimensions against the picture limit (raster/picture_limits.hpp) and the stored size against what
// the compression can expand to. A run-length stream must fill its bitmap exactly and end exactly
// with its stored bytes. Any fault is a felmo::Error whose message names the bitmap (counted from
// 1) and the problem; callers add the file name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "base/byte_source.hpp"
#include "mbm/mbm_format.hpp"
#include "raster/raster.hpp"

namespace felmo {

// More bitmaps than any real file holds; a longer list is refused as damaged.
inline constexpr std::size_t kMaxMbmBitmaps = 65536;

struct MbmBitmap {
    MbmBitmapInfo info;
    Raster raster;  // 24-bit, the stored values converted back as color_depth.hpp says
};

// The validated headers of every bitmap, in the order of the trailer (at most kMaxMbmBitmaps).
// No pixel is decoded.
std::vector<MbmBitmapInfo> readMbmDirectory(std::span<const std::uint8_t> file);
std::vector<MbmBitmapInfo> readMbmDirectory(ByteSource& source);

struct MbmBitmapSize {
    std::int32_t width = 0;
    std::int32_t height = 0;
};
// The width and height fields of every bitmap header the trailer names, read with only the checks
// that keep the reads inside the file, so a file refused for its size still tells it. Empty when
// the bytes are not a multi-bitmap file or its trailer cannot be read.
std::vector<MbmBitmapSize> readMbmBitmapSizes(std::span<const std::uint8_t> file);

// Decodes bitmap `index` (counted from 0) of the file.
Raster decodeMbmBitmap(std::span<const std::uint8_t> file, std::size_t index);
// Decodes the bitmap of a header that readMbmDirectory returned for the same bytes (the header
// is checked again, so a header of other bytes cannot lead outside the buffer).
Raster decodeMbmBitmap(std::span<const std::uint8_t> file, const MbmBitmapInfo& info);
Raster decodeMbmBitmap(ByteSource& source, const MbmBitmapInfo& info);

// Checks that the bitmap's pixel data is whole (a compressed stream fills it exactly) without
// making a raster; throws felmo::Error as decodeMbmBitmap would.
void checkMbmBitmap(std::span<const std::uint8_t> file, const MbmBitmapInfo& info);
void checkMbmBitmap(ByteSource& source, const MbmBitmapInfo& info);

// Every bitmap of the file, decoded. The total pixel count of all bitmaps is capped at
// kMaxPicturePixels, checked before the first one is decoded.
std::vector<MbmBitmap> decodeMbm(std::span<const std::uint8_t> file);
std::vector<MbmBitmap> decodeMbm(ByteSource& source);

}  // namespace felmo
