// Independent readers for the files FELMO writes to share (PNG, animated GIF, animated WebP),
// straight on the libraries, so tests check the files as any viewer would see them rather than
// through the program's own code. Each fails the calling test through a std::runtime_error.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "raster/raster.hpp"

namespace felmo::testing {

Raster decodePngForTest(std::span<const std::uint8_t> bytes);

struct DecodedAnimation {
    int width = 0;
    int height = 0;
    // Loop count from the file (0: for ever); nullopt when the file says nothing (plays once).
    std::optional<int> loopCount;
    std::vector<Raster> frames;  // each the whole canvas as shown
    std::vector<int> delays;     // GIF: hundredths of a second; WebP: milliseconds
};

// Frames are composed as the file asks (full frames with "leave in place" disposal are all the
// program writes, and all this reader supports; anything else throws).
DecodedAnimation decodeGifForTest(std::span<const std::uint8_t> bytes);
DecodedAnimation decodeWebpForTest(std::span<const std::uint8_t> bytes);
// Every canvas of any WebP as the library's own animation decoder composes it: width x height
// BGRA pixels (not premultiplied) each, translucent ones included.
std::vector<std::vector<std::uint8_t>> composeWebpCanvasesForTest(
    std::span<const std::uint8_t> bytes);

// Empty when `animation` is the phone's: 176 x 208, looping for ever, with these frame delays
// (one frame each); otherwise what differs, for a test's failure message.
std::string differenceFromPhoneAnimation(const DecodedAnimation& animation,
                                         const std::vector<int>& delays);

// The delays of the twelve start-up frames: GIF in hundredths (150 a cycle), WebP in ms.
inline const std::vector<int> kStartupGifDelays{13, 12, 13, 12, 13, 12, 13, 12, 13, 12, 13, 12};
inline const std::vector<int> kStartupWebpDelays(12, 125);

// Peak signal-to-noise ratio in dB over the three channels of two rasters of one size.
double psnr(const Raster& a, const Raster& b);

}  // namespace felmo::testing
