// GIF decoding through giflib, on memory. The canvas is the logical screen, widened to hold any
// frame that reaches beyond it; frames follow the composition rules of raster/animation.hpp with
// the graphic control extension's disposal, delay and transparent colour (the background colour
// of the file is not painted: disposed areas become transparent, as browsers show them).
// Interlaced frames are put back in row order; a colour index beyond the frame's colour table
// leaves the canvas pixel as it was.
//
// Errors: bytes that are not a valid GIF, a damaged or truncated file, frames without a colour
// table, more than kMaxAnimationFrames frames and canvases beyond the pixel limit are an
// InvalidPicture ("Invalid GIF data. <what is wrong>.").
#pragma once

#include <cstdint>
#include <span>

#include "base/byte_source.hpp"
#include "raster/animation.hpp"
#include "raster/decoded_picture.hpp"

namespace felmo {

// The first frame as a still, with its transparency.
DecodedPicture decodeGif(std::span<const std::uint8_t> bytes);
DecodedPicture decodeGif(ByteSource& source);
// The canvas size and the frames' delays (hundredths of a second in the file, given in ms),
// without decoding any pixels.
AnimationOutline readGifOutline(std::span<const std::uint8_t> bytes);
AnimationOutline readGifOutline(ByteSource& source);
// Composes the frames in order and hands each to `visit` until it returns false.
void composeGifFrames(std::span<const std::uint8_t> bytes, const ComposedFrameVisitor& visit);
void composeGifFrames(ByteSource& source, const ComposedFrameVisitor& visit);

}  // namespace felmo
