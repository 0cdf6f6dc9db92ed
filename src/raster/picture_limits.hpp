// The one size limit every picture reader applies (BMP, JPEG, .mbm and any added later) before it
// allocates: at most kMaxPictureSide pixels a side and kMaxPicturePixels pixels in all. A picture
// within it costs at most its 24-bit raster (3 bytes a pixel) plus what the reader needs for one
// row or its own file; a crafted file cannot make a reader allocate more than the size it declares.
//
// The fuzz build uses a much smaller limit, so that every input a fuzzer makes up stays cheap.
#pragma once

#include <cstdint>

namespace felmo {

#ifdef FELMO_FUZZ_PICTURE_LIMITS
inline constexpr int kMaxPictureSide = 1024;
inline constexpr std::int64_t kMaxPicturePixels = 256 * 1024;
#else
inline constexpr int kMaxPictureSide = 8192;
inline constexpr std::int64_t kMaxPicturePixels = 64 * 1024 * 1024;
#endif

// Whether a picture of that size is within the limit (for code that must not throw).
bool pictureSizeFits(std::int64_t width, std::int64_t height) noexcept;
// Throws felmo::Error ("The picture is W x H pixels, larger than ...") when the size is beyond the
// limit, or negative.
void checkPictureSize(std::int64_t width, std::int64_t height);

}  // namespace felmo
