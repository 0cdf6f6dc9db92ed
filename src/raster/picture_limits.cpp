#include "raster/picture_limits.hpp"

#include <string>

#include "base/error.hpp"

namespace felmo {

bool pictureSizeFits(std::int64_t width, std::int64_t height) noexcept {
    // Each side is checked before the product, so the product cannot overflow.
    return width >= 0 && height >= 0 && width <= kMaxPictureSide && height <= kMaxPictureSide &&
           width * height <= kMaxPicturePixels;
}

void checkPictureSize(std::int64_t width, std::int64_t height) {
    const std::string size = std::to_string(width) + " x " + std::to_string(height);
    if (width < 0 || height < 0)
        throw Error("The picture's size " + size + " is negative.");
    if (!pictureSizeFits(width, height))
        throw Error("The picture is " + size + " pixels, larger than the " +
                    std::to_string(kMaxPictureSide) + " pixels a side (and " +
                    std::to_string(kMaxPicturePixels) + " pixels in all) that are supported.");
}

}  // namespace felmo
