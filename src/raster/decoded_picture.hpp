// A picture as the PNG, GIF and WebP readers deliver it: its colours in a raster and, when the
// picture has any transparency, each pixel's opacity. Two ways to make it a plain raster: laid
// over black (every load), or with the nearly transparent pixels replaced by a key colour (the
// overlay picture, whose key colour is never drawn).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "base/error.hpp"
#include "base/utf8_path.hpp"
#include "raster/raster.hpp"

namespace felmo {

struct DecodedPicture {
    // Colours as stored, not multiplied by the opacity.
    Raster colour;
    // Empty when every pixel is opaque; otherwise width x height opacities (0 transparent, 255
    // opaque), row 0 first.
    std::vector<std::uint8_t> alpha;

    bool hasAlpha() const { return !alpha.empty(); }
};

// Forgets the opacities when every pixel is opaque.
void dropAlphaWhenOpaque(DecodedPicture& picture);
// Fills the colours and opacities of a picture whose raster already has its size from width x
// height BGRA pixels (not premultiplied).
void splitBgra(const std::uint8_t* bgra, DecodedPicture& picture);

// Each pixel laid over black: colour x opacity / 255, rounded.
Raster flattenOverBlack(DecodedPicture picture);
// Pixels less than half opaque (opacity below 128) become `key`; the others keep their colour at
// full opacity.
Raster keyTranslucentPixels(DecodedPicture picture, Color key);

// What a reader throws for bytes that are not a valid picture of its kind. what() is
// "Invalid <format> data. <detail>"; fileMessage() gives the same for a named file.
class InvalidPicture : public Error {
  public:
    InvalidPicture(std::string format, std::string detail)
        : Error("Invalid " + format + " data. " + detail),
          format_(std::move(format)),
          detail_(std::move(detail)) {}

    // "Invalid <format> file "<path>". <detail>"
    std::string fileMessage(const std::filesystem::path& path) const {
        return "Invalid " + format_ + " file \"" + utf8FromPath(path) + "\". " + detail_;
    }

  private:
    std::string format_;
    std::string detail_;
};

}  // namespace felmo
