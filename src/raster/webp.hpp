// WebP decoding through libwebp: lossy and lossless, with or without alpha, still or animated.
// From a source, only the chunk headers and one frame's compressed data are held at a time.
// Frames are composed by the rules of raster/animation.hpp (the file's background colour is not
// painted).
//
// Errors: bytes that are not a valid WebP, a damaged or truncated file, more than
// kMaxAnimationFrames frames, canvases beyond the pixel limit and a frame the library decodes
// losslessly (a lossless picture, or the losslessly compressed opacities of a lossy one) on a
// canvas beyond kMaxLosslessWebpPixels are an InvalidPicture ("Invalid WebP data. <what is
// wrong>.").
#pragma once

#include <cstdint>
#include <span>

#include "base/byte_source.hpp"
#include "raster/animation.hpp"
#include "raster/decoded_picture.hpp"
#include "raster/picture_limits.hpp"

namespace felmo {

// Largest canvas on which a frame may be decoded losslessly, its picture or its opacities: the
// library holds what it decodes so as 4 bytes a pixel, on top of the 4 of the decoded picture,
// so this keeps it within what the largest picture of any other kind costs.
inline constexpr std::int64_t kMaxLosslessWebpPixels = kMaxPicturePixels / 2;

// The first frame as a still, with its transparency.
DecodedPicture decodeWebp(std::span<const std::uint8_t> bytes);
DecodedPicture decodeWebp(ByteSource& source);
// The canvas size and the frames' delays in ms (one frame of delay 0 for a still), without
// decoding any pixels.
AnimationOutline readWebpOutline(std::span<const std::uint8_t> bytes);
AnimationOutline readWebpOutline(ByteSource& source);
// Composes the frames in order and hands each to `visit` until it returns false.
void composeWebpFrames(std::span<const std::uint8_t> bytes, const ComposedFrameVisitor& visit);
void composeWebpFrames(ByteSource& source, const ComposedFrameVisitor& visit);

}  // namespace felmo
