// Raster: a W x H picture with the pixel format it was read in, its palette, its transparency and
// its drawing state.
//
// Storage: every raster keeps its pixels as 24-bit rows (blue, green, red; row 0 at the top; no
// row padding), whatever its format. A raster of a lower-depth format (read from a 1/4/8-bit
// palette BMP or a 16-bit BMP) remembers that format, and every pixel painted on it is reduced to
// what the format can hold before it is stored (the nearest palette entry; for 16 and 32 bits the
// channel widths of the file's bit-field masks, 5-5-5 and 8-8-8 by default), so reading gives the
// stored colour. convertTo24Bit() only drops the format tag. Row access is offered for 24-bit
// rasters only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "raster/color.hpp"

namespace felmo {

// The formats a BMP file can carry. Rasters the program creates are Bits24.
enum class PixelFormat { Bits1, Bits4, Bits8, Bits16, Bits24, Bits32 };

int bitsPerPixel(PixelFormat format);

// Where red, green and blue sit in a 16- or 32-bit pixel of a BMP file. Each mask is one run of
// set bits (or 0: the channel is absent and reads as 0).
struct BitFieldMasks {
    std::uint32_t red = 0;
    std::uint32_t green = 0;
    std::uint32_t blue = 0;
    friend bool operator==(const BitFieldMasks&, const BitFieldMasks&) = default;
};
// The masks a file of that depth uses when it states none: 5-5-5 for 16 bits, 8-8-8 for 32.
BitFieldMasks defaultBitFieldMasks(PixelFormat format);
// A channel value of `bits` bits widened to 8 bits, rounded (31 -> 255, 16 -> 132 for 5 bits);
// values of more than 8 bits keep their top 8. Readers and the format reduction both use it.
std::uint8_t widenChannel(std::uint32_t value, int bits);

enum class BrushStyle { Solid, Clear };  // bsSolid, bsClear
enum class BackgroundMode { Opaque, Transparent };
enum class TransparentMode { Automatic, Fixed };  // Automatic: the bottom-left pixel's colour

struct Font {
    std::string face = "MS Sans Serif";
    int heightPx = 13;  // character height in pixels
    bool bold = false;
    Color color = colors::black;
};

// The drawing state that belongs to a raster: reset whenever the raster is created or replaced.
struct DrawingState {
    Color penColor = colors::black;
    Color brushColor = colors::white;
    BrushStyle brushStyle = BrushStyle::Solid;
    Font font;
    int penX = 0;
    int penY = 0;
    BackgroundMode backgroundMode = BackgroundMode::Opaque;
};

class Raster {
  public:
    // Largest width or height accepted from any file or caller; well above every size the
    // program uses (2112 x 208, 176 x 2496) and small enough that W x H x 3 cannot overflow.
    static constexpr int kMaxDimension = 16384;
    // Largest pixel count (W x H) accepted: 64 megapixels, 192 MiB at 24 bits.
    static constexpr std::int64_t kMaxPixels = std::int64_t{64} << 20;

    Raster() = default;  // empty, 0 x 0, 24-bit
    // A 24-bit raster of the given size, every pixel `fill`. Throws felmo::Error for sizes
    // beyond the limits above or negative.
    Raster(int width, int height, Color fill = colors::white);

    // A copy with the same size, format, palette and pixels, and a fresh default drawing state.
    Raster(const Raster& other);
    Raster& operator=(const Raster& other);
    Raster(Raster&&) noexcept = default;
    Raster& operator=(Raster&&) noexcept = default;

    int width() const { return width_; }
    int height() const { return height_; }
    bool empty() const { return width_ == 0 || height_ == 0; }

    PixelFormat format() const { return format_; }
    bool is24Bit() const { return format_ == PixelFormat::Bits24; }
    // Palette of a 1/4/8-bit raster (empty otherwise).
    const std::vector<Color>& palette() const { return palette_; }
    // Bit-field masks of a 16/32-bit raster (the default ones unless the file gave its own).
    const BitFieldMasks& bitFieldMasks() const { return masks_; }
    // Marks the raster as holding `format` (with `palette` for 1/4/8 bits, the default masks for
    // 16/32 bits): used by the readers; pixels already stored are taken as they are.
    void setSourceFormat(PixelFormat format, std::vector<Color> palette = {});
    // Marks the raster as a 16- or 32-bit one with the given masks.
    void setSourceBitFields(PixelFormat format, BitFieldMasks masks);
    // Converts in place to 24 bits per pixel: same size, same colours.
    void convertTo24Bit() { setSourceFormat(PixelFormat::Bits24); }

    bool contains(int x, int y) const {
        return static_cast<unsigned>(x) < static_cast<unsigned>(width_) &&
               static_cast<unsigned>(y) < static_cast<unsigned>(height_);
    }
    // Pixel read: the stored colour; colors::outside when (x, y) is outside the raster.
    Color pixel(int x, int y) const {
        if (!contains(x, y))
            return colors::outside;
        const std::uint8_t* p = pixels_.data() + rowOffset(y) + static_cast<std::size_t>(x) * 3;
        return rgb(p[2], p[1], p[0]);
    }
    // Pixel write: stores the colour reduced to what the format holds; outside does nothing.
    void setPixel(int x, int y, Color color) {
        if (!contains(x, y))
            return;
        if (format_ != PixelFormat::Bits24)
            color = reduceToFormat(color);
        std::uint8_t* p = pixels_.data() + rowOffset(y) + static_cast<std::size_t>(x) * 3;
        p[0] = blueOf(color);
        p[1] = greenOf(color);
        p[2] = redOf(color);
    }
    // Colour as this raster's format would store it.
    Color reduceToFormat(Color color) const;

    // Row y (0 = top): width() x 3 bytes, blue, green, red. Throws felmo::Error on a raster that
    // is not 24-bit. Writes are seen by every later operation.
    std::uint8_t* row(int y);
    const std::uint8_t* row(int y) const;
    // The same rows without the format check, for readers, writers and drawing code that store
    // colours already reduced to the format.
    std::uint8_t* storageRow(int y) { return pixels_.data() + rowOffset(y); }
    const std::uint8_t* storageRow(int y) const { return pixels_.data() + rowOffset(y); }

    // Transparency (off unless set); the transparent colour is fixed or automatic.
    bool transparent() const { return transparent_; }
    void setTransparent(bool on) { transparent_ = on; }
    TransparentMode transparentMode() const { return transparentMode_; }
    void setTransparentColor(Color color) {
        transparentMode_ = TransparentMode::Fixed;
        transparentColor_ = color;
    }
    void setTransparentAutomatic() { transparentMode_ = TransparentMode::Automatic; }
    // The colour that is left out when this raster is drawn with transparency on.
    Color effectiveTransparentColor() const;

    // Resolution read from a BMP file, pixels per metre (0 for rasters the program creates).
    int pixelsPerMetreX() const { return pixelsPerMetreX_; }
    int pixelsPerMetreY() const { return pixelsPerMetreY_; }
    void setResolution(int xPixelsPerMetre, int yPixelsPerMetre) {
        pixelsPerMetreX_ = xPixelsPerMetre;
        pixelsPerMetreY_ = yPixelsPerMetre;
    }

    DrawingState& state() { return state_; }
    const DrawingState& state() const { return state_; }

  private:
    std::size_t rowOffset(int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) * 3;
    }

    int width_ = 0;
    int height_ = 0;
    PixelFormat format_ = PixelFormat::Bits24;
    std::vector<Color> palette_;
    BitFieldMasks masks_;
    std::vector<std::uint8_t> pixels_;  // height_ rows of width_ * 3 bytes
    bool transparent_ = false;
    TransparentMode transparentMode_ = TransparentMode::Automatic;
    Color transparentColor_ = colors::white;
    int pixelsPerMetreX_ = 0;
    int pixelsPerMetreY_ = 0;
    DrawingState state_;
};

}  // namespace felmo
