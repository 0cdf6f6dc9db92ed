#include "raster/animation_frames.hpp"

namespace felmo {

std::optional<std::string> animationFramesProblem(std::span<const Raster* const> pictures,
                                                  int maxSide) {
    if (pictures.empty())
        return "an animation needs at least one frame";
    const int width = pictures.front()->width();
    const int height = pictures.front()->height();
    const std::string size = std::to_string(width) + " x " + std::to_string(height) + " pixels";
    if (width == 0 || height == 0 || width > maxSide || height > maxSide)
        return "the frames are " + size;
    for (const Raster* picture : pictures) {
        if (!picture->is24Bit())
            return "only 24-bit frames can be written";
        if (picture->width() != width || picture->height() != height)
            return "every frame must be " + size;
    }
    return std::nullopt;
}

}  // namespace felmo
