#include "raster/image.hpp"

#include <cmath>

#include "base/error.hpp"
#include "platform/file_io.hpp"
#include "raster/bmp.hpp"

namespace felmo {

Canvas Image::canvas() {
    if (!picture_)
        setPicture(Raster(width_, height_, colors::white));
    return Canvas(*picture_);
}

Raster& Image::pictureAs24Bit() {
    canvas();
    picture_->convertTo24Bit();
    return *picture_;
}

void Image::setPicture(Raster raster) {
    raster.setTransparent(transparent_);
    picture_ = std::move(raster);
}

void Image::assign(const Image& other) {
    if (this == &other)
        return;
    if (!other.picture_) {
        picture_.reset();
        return;
    }
    setPicture(Raster(*other.picture_));
}

void Image::loadBmpFile(const std::filesystem::path& path) {
    setPicture(felmo::loadBmpFile(path));
}

void Image::saveBmpFile(const std::filesystem::path& path) const {
    if (!picture_)
        throw Error(cannotCreateMessage(path, "The image holds no picture."));
    felmo::saveBmpFile(*picture_, path);
}

void Image::setTransparent(bool on) {
    transparent_ = on;
    if (picture_)
        picture_->setTransparent(on);
}

Rect displayRect(int rasterWidth, int rasterHeight, int imageWidth, int imageHeight,
                 bool proportional) {
    const bool larger = rasterWidth > imageWidth || rasterHeight > imageHeight;
    if (!proportional || !larger || rasterWidth <= 0 || rasterHeight <= 0)
        return Rect{0, 0, rasterWidth, rasterHeight};
    const double ratio = static_cast<double>(rasterWidth) / rasterHeight;
    int width = 0;
    int height = 0;
    if (rasterWidth > rasterHeight) {
        width = imageWidth;
        height = static_cast<int>(std::trunc(imageWidth / ratio));
        if (height > imageHeight) {
            width = static_cast<int>(std::trunc(ratio * imageHeight));
            height = imageHeight;
        }
    } else {
        width = static_cast<int>(std::trunc(ratio * imageHeight));
        height = imageHeight;
        if (width > imageWidth) {
            width = imageWidth;
            height = static_cast<int>(std::trunc(imageWidth / ratio));
        }
    }
    return Rect{0, 0, width, height};
}

}  // namespace felmo
