// PNG decoding through libpng: every colour type and bit depth (palette, grey, grey with alpha,
// RGB, RGBA; 1 to 16 bits; interlaced or not). Samples of 16 bits are scaled to 8 bits, rounded;
// no gamma correction is applied, so the colours are the stored ones. A transparency chunk or an
// alpha channel gives an opacity per pixel (dropped when every pixel turns out opaque).
//
// Errors: bytes that are not a valid PNG, a damaged or truncated file, and pictures beyond the
// pixel limit are an InvalidPicture ("Invalid PNG data. <what is wrong>."). libpng's warnings
// are not shown. Trailing chunks after the picture data are not read, so a file that only lacks
// its end chunk still loads.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

#include "base/byte_source.hpp"
#include "raster/decoded_picture.hpp"

namespace felmo {

DecodedPicture decodePng(ByteSource& source);
DecodedPicture decodePng(std::span<const std::uint8_t> bytes);

}  // namespace felmo
