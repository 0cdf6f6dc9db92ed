// Animated GIF writing through giflib, with palettes chosen by libimagequant.
//
// Every frame is stored whole (no transparency, disposal "leave in place") with a local palette
// fitted to that frame alone, so frames of very different content keep their own colours: a
// frame of at most 256 colours keeps them exactly; a richer one gets the 256 colours libimagequant
// chooses for it, with light dithering. The file is GIF89a, its logical screen is the
// frames' size, and a NETSCAPE2.0 block makes it loop for ever.
//
// Failures are felmo::Error ("Cannot write GIF data. <what went wrong>.").
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "raster/raster.hpp"

namespace felmo {

struct GifFrame {
    const Raster* picture;  // 24-bit, the size of every other frame
    int delayCentiseconds;  // 0 ... 65535
};

// Throws felmo::Error when there are no frames, when a frame is empty, not 24-bit or of another
// size than the first, or when a delay is out of range.
std::vector<std::uint8_t> encodeLoopingGif(std::span<const GifFrame> frames);

}  // namespace felmo
