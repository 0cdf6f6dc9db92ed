#include "mbm/mbm_format.hpp"

namespace felmo {

bool isValidMode(const BitmapMode& mode) {
    switch (mode.color) {
        case ColorKind::Grey:
            return mode.bitsPerPixel == 1 || mode.bitsPerPixel == 2 || mode.bitsPerPixel == 4 ||
                   mode.bitsPerPixel == 8;
        case ColorKind::Color:
            return mode.bitsPerPixel == 4 || mode.bitsPerPixel == 8 || mode.bitsPerPixel == 12 ||
                   mode.bitsPerPixel == 16 || mode.bitsPerPixel == 24 || mode.bitsPerPixel == 32;
        case ColorKind::ColorAlpha:
            return mode.bitsPerPixel == 32;
    }
    return false;
}

Compression compressionFor(const BitmapMode& mode) {
    switch (mode.bitsPerPixel) {
        case 12:
            return Compression::TwelveBit;
        case 16:
            return Compression::SixteenBit;
        case 24:
            return Compression::TwentyFourBit;
        case 32:
            return mode.color == ColorKind::ColorAlpha ? Compression::ThirtyTwoBitAlpha
                                                       : Compression::ThirtyTwoBit;
        default:
            return Compression::Byte;
    }
}

std::size_t strideBytes(int bitsPerPixel, std::int64_t width) {
    const auto w = static_cast<std::uint64_t>(width);
    if (bitsPerPixel == 24)
        return static_cast<std::size_t>(12 * ((3 * w + 11) / 12));
    // 12-bit pixels sit in 16-bit words.
    const std::uint64_t storedBits =
        bitsPerPixel == 12 ? 16 : static_cast<std::uint64_t>(bitsPerPixel);
    const std::uint64_t bits = w * storedBits;
    return static_cast<std::size_t>(4 * ((bits + 31) / 32));
}

std::int32_t twipsFromPixels(std::int64_t pixels, std::int64_t pixelsPerMetre) {
    if (pixelsPerMetre <= 0)
        return 0;
    return static_cast<std::int32_t>(pixels * 1440000 / 254 / pixelsPerMetre);
}

std::string describeMode(const BitmapMode& mode) {
    std::string text = std::to_string(mode.bitsPerPixel) + " bpp ";
    switch (mode.color) {
        case ColorKind::Grey:
            return text + "grey";
        case ColorKind::Color:
            return text + "colour";
        case ColorKind::ColorAlpha:
            return text + "colour with alpha";
    }
    return text + "unknown";
}

std::string describeCompression(Compression compression) {
    switch (compression) {
        case Compression::None:
            return "uncompressed";
        case Compression::Byte:
            return "byte RLE";
        case Compression::TwelveBit:
            return "12-bit RLE";
        case Compression::SixteenBit:
            return "16-bit RLE";
        case Compression::TwentyFourBit:
            return "24-bit RLE";
        case Compression::ThirtyTwoBit:
            return "32-bit RLE";
        case Compression::ThirtyTwoBitAlpha:
            return "32-bit alpha RLE";
    }
    return "unknown compression";
}

}  // namespace felmo
