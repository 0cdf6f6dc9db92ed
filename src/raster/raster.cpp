#include "raster/raster.hpp"

#include <bit>
#include <string>

#include "base/error.hpp"

namespace felmo {
namespace {

int maskWidth(std::uint32_t mask) {
    return std::popcount(mask);
}

// The 8-bit value nearest to `value` that a channel of `bits` bits can hold.
std::uint8_t reduceChannel(std::uint8_t value, int bits) {
    if (bits >= 8)
        return value;
    if (bits <= 0)
        return 0;
    const std::uint32_t top = (1u << bits) - 1;
    const std::uint32_t level = (value * top + 127) / 255;
    return widenChannel(level, bits);
}

void checkSize(int width, int height) {
    if (width < 0 || height < 0)
        throw Error("A picture cannot have a negative size (" + std::to_string(width) + " x " +
                    std::to_string(height) + ").");
    if (width > Raster::kMaxDimension || height > Raster::kMaxDimension ||
        std::int64_t{width} * height > Raster::kMaxPixels)
        throw Error("A picture of " + std::to_string(width) + " x " + std::to_string(height) +
                    " pixels is too large (at most " + std::to_string(Raster::kMaxDimension) +
                    " pixels a side and " + std::to_string(Raster::kMaxPixels) +
                    " pixels in all).");
}

}  // namespace

int bitsPerPixel(PixelFormat format) {
    switch (format) {
        case PixelFormat::Bits1:
            return 1;
        case PixelFormat::Bits4:
            return 4;
        case PixelFormat::Bits8:
            return 8;
        case PixelFormat::Bits16:
            return 16;
        case PixelFormat::Bits24:
            return 24;
        case PixelFormat::Bits32:
            return 32;
    }
    return 24;
}

BitFieldMasks defaultBitFieldMasks(PixelFormat format) {
    switch (format) {
        case PixelFormat::Bits16:
            return {0x7C00, 0x03E0, 0x001F};
        case PixelFormat::Bits32:
            return {0x00FF0000, 0x0000FF00, 0x000000FF};
        default:
            return {};
    }
}

std::uint8_t widenChannel(std::uint32_t value, int bits) {
    if (bits <= 0)
        return 0;
    if (bits >= 8)
        return static_cast<std::uint8_t>(value >> (bits - 8));
    const std::uint32_t top = (1u << bits) - 1;
    return static_cast<std::uint8_t>((value * 255 + top / 2) / top);
}

Raster::Raster(int width, int height, Color fill) {
    checkSize(width, height);
    width_ = width;
    height_ = height;
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    pixels_.resize(count * 3);
    const std::uint8_t b = blueOf(fill), g = greenOf(fill), r = redOf(fill);
    if (b == g && g == r) {
        std::fill(pixels_.begin(), pixels_.end(), b);
    } else {
        for (std::size_t i = 0; i < count; ++i) {
            pixels_[i * 3] = b;
            pixels_[i * 3 + 1] = g;
            pixels_[i * 3 + 2] = r;
        }
    }
}

Raster::Raster(const Raster& other)
    : width_(other.width_),
      height_(other.height_),
      format_(other.format_),
      palette_(other.palette_),
      masks_(other.masks_),
      pixels_(other.pixels_),
      transparent_(other.transparent_),
      transparentMode_(other.transparentMode_),
      transparentColor_(other.transparentColor_),
      pixelsPerMetreX_(other.pixelsPerMetreX_),
      pixelsPerMetreY_(other.pixelsPerMetreY_) {}

Raster& Raster::operator=(const Raster& other) {
    if (this != &other) {
        Raster copy(other);
        *this = std::move(copy);
    }
    return *this;
}

void Raster::setSourceFormat(PixelFormat format, std::vector<Color> palette) {
    format_ = format;
    const bool indexed = format == PixelFormat::Bits1 || format == PixelFormat::Bits4 ||
                         format == PixelFormat::Bits8;
    palette_ = indexed ? std::move(palette) : std::vector<Color>{};
    masks_ = defaultBitFieldMasks(format);
}

void Raster::setSourceBitFields(PixelFormat format, BitFieldMasks masks) {
    if (format != PixelFormat::Bits16 && format != PixelFormat::Bits32)
        throw Error("Bit-field masks belong to 16- and 32-bit pictures only.");
    format_ = format;
    palette_.clear();
    masks_ = masks;
}

Color Raster::reduceToFormat(Color color) const {
    color &= 0x00FFFFFF;
    switch (format_) {
        case PixelFormat::Bits24:
            return color;
        case PixelFormat::Bits16:
        case PixelFormat::Bits32:
            return rgb(reduceChannel(redOf(color), maskWidth(masks_.red)),
                       reduceChannel(greenOf(color), maskWidth(masks_.green)),
                       reduceChannel(blueOf(color), maskWidth(masks_.blue)));
        case PixelFormat::Bits1:
        case PixelFormat::Bits4:
        case PixelFormat::Bits8: {
            if (palette_.empty())
                return color;
            // Nearest entry by squared distance; the first of equally near entries wins.
            Color best = palette_.front();
            int bestDistance = 1 << 30;
            for (Color entry : palette_) {
                const int dr = int{redOf(entry)} - redOf(color);
                const int dg = int{greenOf(entry)} - greenOf(color);
                const int db = int{blueOf(entry)} - blueOf(color);
                const int distance = dr * dr + dg * dg + db * db;
                if (distance < bestDistance) {
                    bestDistance = distance;
                    best = entry;
                    if (distance == 0)
                        break;
                }
            }
            return best & 0x00FFFFFF;
        }
    }
    return color;
}

std::uint8_t* Raster::row(int y) {
    if (!is24Bit())
        throw Error("Row access needs a 24-bit picture.");
    if (y < 0 || y >= height_)
        throw Error("Row " + std::to_string(y) + " is outside a picture of " +
                    std::to_string(height_) + " rows.");
    return storageRow(y);
}

const std::uint8_t* Raster::row(int y) const {
    return const_cast<Raster*>(this)->row(y);
}

Color Raster::effectiveTransparentColor() const {
    if (transparentMode_ == TransparentMode::Fixed)
        return reduceToFormat(transparentColor_);
    return pixel(0, height_ - 1);
}

}  // namespace felmo
