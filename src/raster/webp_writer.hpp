// Animated WebP writing through libwebp and its muxer: every frame is stored whole and lossless,
// with its own duration, no blending and no disposal, so a decoder gives back exactly the frames'
// pixels and timing (two equal frames in a row stay two frames); the animation loops for ever
// over a black background.
//
// Failures are felmo::Error ("Cannot write WebP data. <what went wrong>.").
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "raster/raster.hpp"

namespace felmo {

struct WebpFrame {
    const Raster* picture;  // 24-bit, the size of every other frame
    int durationMs;         // 1 ... 16777215 (the format's 24-bit field)
};

// Throws felmo::Error when there are no frames, when a frame is empty, not 24-bit or of another
// size than the first, or when a duration is out of range.
std::vector<std::uint8_t> encodeLoopingLosslessWebp(std::span<const WebpFrame> frames);

}  // namespace felmo
