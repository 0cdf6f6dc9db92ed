// What both animation writers ask of their frames, checked in one place.
#pragma once

#include <optional>
#include <span>
#include <string>

#include "raster/raster.hpp"

namespace felmo {

// At least one frame; every frame 24-bit and the size of the first, which is 1 to maxSide pixels
// a side. Returns what is wrong, for the writer's own message, or nullopt.
std::optional<std::string> animationFramesProblem(std::span<const Raster* const> pictures,
                                                  int maxSide);

}  // namespace felmo
