// Image: an image control without the window: a size of its own and a picture slot that is
// empty or holds one raster, plus the Transparent and Proportional properties.
#pragma once

#include <filesystem>
#include <optional>

#include "raster/canvas.hpp"
#include "raster/raster.hpp"

namespace felmo {

class Image {
  public:
    Image() = default;
    Image(int width, int height) : width_(width), height_(height) {}

    // The image's own size; never resizes a raster already held.
    void setSize(int width, int height) {
        width_ = width;
        height_ = height;
    }
    int width() const { return width_; }
    int height() const { return height_; }

    bool hasPicture() const { return picture_.has_value(); }
    // The held raster, or nullptr when the slot is empty.
    Raster* picture() { return picture_ ? &*picture_ : nullptr; }
    const Raster* picture() const { return picture_ ? &*picture_ : nullptr; }
    // Empties the slot.
    void clear() { picture_.reset(); }

    // The drawing target; an empty slot first gets a white raster of the image's size.
    Canvas canvas();
    // The held raster converted to 24 bits, as the BMP writer needs it; an empty slot first gets
    // its white raster, as for canvas().
    Raster& pictureAs24Bit();

    // Replaces the raster; the new raster's transparency flag takes this image's Transparent.
    void setPicture(Raster raster);
    // Takes an independent copy of other's raster (an empty slot stays empty).
    void assign(const Image& other);

    // Replaces the raster by a BMP file's content. On failure the image is unchanged and the
    // error ("Cannot open file ..." or the decoder's) is thrown.
    void loadBmpFile(const std::filesystem::path& path);
    // Writes the raster as a 24-bit BMP file (the raster must be 24-bit, see convertTo24Bit).
    void saveBmpFile(const std::filesystem::path& path) const;

    bool transparent() const { return transparent_; }
    void setTransparent(bool on);
    bool proportional() const { return proportional_; }
    void setProportional(bool on) { proportional_ = on; }

  private:
    int width_ = 0;
    int height_ = 0;
    std::optional<Raster> picture_;
    bool transparent_ = false;
    bool proportional_ = false;
};

// Where a raster of W x H is shown inside an image of w x h: (0, 0, W, H) unscaled, or with
// Proportional set and the raster larger than the image, the fitted rectangle of the display rule
// (r = W / H; wide: W' = w, H' = trunc(w / r), then if H' > h: W' = trunc(r * h), H' = h; tall
// likewise the other way round).
Rect displayRect(int rasterWidth, int rasterHeight, int imageWidth, int imageHeight,
                 bool proportional);

}  // namespace felmo
