// What both animation writers ask of their frames, checked in one place.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "raster/raster.hpp"

namespace felmo {

// At least one frame; every frame 24-bit and the size of the first, which is 1 to maxSide pixels
// a side. Returns what is wrong, for the writer's own message, or nullopt.
std::optional<std::string> animationFramesProblem(std::span<const Raster* const> pictures,
                                                  int maxSide);

// The same for a writer's frames, each of which holds its picture in `picture`.
template <typename Frame>
std::optional<std::string> animationFramesProblem(std::span<const Frame> frames, int maxSide) {
    std::vector<const Raster*> pictures;
    for (const Frame& frame : frames)
        pictures.push_back(frame.picture);
    return animationFramesProblem(std::span<const Raster* const>(pictures), maxSide);
}

}  // namespace felmo
