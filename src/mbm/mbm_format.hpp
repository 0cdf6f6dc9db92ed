// The multi-bitmap (.mbm) file layout: the constants, the bitmap header and the storage rules
// shared by the reader and the writer.
//
// A file is a 20-byte header (four UIDs and the trailer offset), the bitmaps (each a 40-byte
// header followed by its pixel data) and a trailer (the bitmap count, then the absolute offset of
// every bitmap header). All fields are 32-bit little-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace felmo {

namespace mbm {
inline constexpr std::uint32_t kUid1 = 0x10000037;
inline constexpr std::uint32_t kUid2 = 0x10000042;
inline constexpr std::uint32_t kUid2Alternative = 0x1000008A;  // accepted when reading
inline constexpr std::uint32_t kUid3 = 0;
inline constexpr std::uint32_t kUidChecksum = 0x47396439;
inline constexpr std::size_t kFileHeaderBytes = 20;
inline constexpr std::size_t kBitmapHeaderBytes = 40;
}  // namespace mbm

// The colour field of a bitmap header.
enum class ColorKind : std::uint32_t { Grey = 0, Color = 1, ColorAlpha = 2 };

// The compression field of a bitmap header: one run-length scheme per family of depths.
enum class Compression : std::uint32_t {
    None = 0,
    Byte = 1,               // 1, 2, 4 and 8 bits per pixel: byte units
    TwelveBit = 2,          // 12 bits: 16-bit words of run length and pixel, no literal form
    SixteenBit = 3,         // 16 bits: 2-byte units
    TwentyFourBit = 4,      // 24 bits: 3-byte units
    ThirtyTwoBit = 5,       // 32 bits without alpha: each 4-byte pixel stored as a 3-byte unit
    ThirtyTwoBitAlpha = 6,  // 32 bits with alpha: 4-byte units
};

// How a bitmap's pixels are stored: the depth and whether the values are grey levels or colours.
struct BitmapMode {
    int bitsPerPixel = 2;
    ColorKind color = ColorKind::Grey;
    friend bool operator==(const BitmapMode&, const BitmapMode&) = default;
};

// True for the modes the format defines: grey 1/2/4/8, colour 4/8/12/16/24/32, colour with
// alpha 32.
bool isValidMode(const BitmapMode& mode);

// The compression scheme that belongs to a mode (the only one besides None a reader accepts).
Compression compressionFor(const BitmapMode& mode);

// Bytes of one stored row: whole 32-bit words (12-bit pixels take 16 bits each), except 24 bits
// per pixel, whose rows are whole 12-byte groups. The width must be positive; 64-bit arithmetic, no
// overflow for any int width.
std::size_t strideBytes(int bitsPerPixel, std::int64_t width);

// Size in twips (1/1440 inch) of `pixels` at a resolution of pixelsPerMetre; 0 when the
// resolution is unknown (0 or negative).
std::int32_t twipsFromPixels(std::int64_t pixels, std::int64_t pixelsPerMetre);

// Human-readable name of a mode ("16 bpp colour", "2 bpp grey") and of a compression scheme.
std::string describeMode(const BitmapMode& mode);
std::string describeCompression(Compression compression);

// One bitmap header as stored, with the offset it was read from.
struct MbmBitmapInfo {
    std::size_t index = 0;         // position in the file's list of bitmaps, from 0
    std::size_t offset = 0;        // absolute offset of the 40-byte header in the file
    std::uint32_t bitmapSize = 0;  // 40 + stored data bytes
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t widthTwips = 0;
    std::int32_t heightTwips = 0;
    BitmapMode mode;
    Compression compression = Compression::None;

    std::size_t storedBytes() const { return bitmapSize - mbm::kBitmapHeaderBytes; }
    // Bytes of the uncompressed, padded pixel buffer (stride x height).
    std::size_t rawBytes() const {
        return strideBytes(mode.bitsPerPixel, width) * static_cast<std::size_t>(height);
    }
};

}  // namespace felmo
