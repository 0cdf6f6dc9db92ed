#include <gtest/gtest.h>

#include <vector>

#include "raster/webp_writer.hpp"
#include "support/photo_like_raster.hpp"
#include "support/reference_decoders.hpp"

namespace felmo {
namespace {

using testing::decodeWebpForTest;
using testing::photoLikeRaster;

// Pixels and timing exact, and two equal frames in a row stay two frames of their own.
TEST(WebpWriter, FramesComeBackExactWithTheirDurationsAndLoopForEver) {
    std::vector<Raster> pictures;
    for (int i = 0; i < 12; ++i)
        pictures.push_back(photoLikeRaster(176, 208, i < 6 ? i * 16 : 80));
    std::vector<WebpFrame> frames;
    for (const Raster& picture : pictures)
        frames.push_back(WebpFrame{&picture, 125});

    const testing::DecodedAnimation webp = decodeWebpForTest(encodeLoopingLosslessWebp(frames));
    ASSERT_EQ(testing::differenceFromPhoneAnimation(webp, testing::kStartupWebpDelays), "");
    for (int i = 0; i < 12; ++i)
        for (int y = 0; y < 208; ++y)
            ASSERT_EQ(std::vector<std::uint8_t>(webp.frames[i].storageRow(y),
                                                webp.frames[i].storageRow(y) + 176 * 3),
                      std::vector<std::uint8_t>(pictures[i].storageRow(y),
                                                pictures[i].storageRow(y) + 176 * 3))
                << "frame " << i << " row " << y;
}

}  // namespace
}  // namespace felmo
