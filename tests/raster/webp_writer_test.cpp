#include <gtest/gtest.h>

#include <vector>

#include "base/error.hpp"
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
    EXPECT_EQ(webp.width, 176);
    EXPECT_EQ(webp.height, 208);
    EXPECT_EQ(webp.loopCount, 0);
    EXPECT_EQ(webp.delays, std::vector<int>(12, 125));
    ASSERT_EQ(webp.frames.size(), 12u);
    for (int i = 0; i < 12; ++i)
        for (int y = 0; y < 208; ++y)
            ASSERT_EQ(std::vector<std::uint8_t>(webp.frames[i].storageRow(y),
                                                webp.frames[i].storageRow(y) + 176 * 3),
                      std::vector<std::uint8_t>(pictures[i].storageRow(y),
                                                pictures[i].storageRow(y) + 176 * 3))
                << "frame " << i << " row " << y;
}

TEST(WebpWriter, RefusesFramesItCannotWrite) {
    const Raster frame(4, 4), other(4, 5);
    Raster palette(4, 4);
    palette.setSourceFormat(PixelFormat::Bits8, {colors::black, colors::white});
    const std::vector<std::vector<WebpFrame>> refused{
        {},
        {WebpFrame{&frame, 125}, WebpFrame{&other, 125}},
        {WebpFrame{&palette, 125}},
        {WebpFrame{&frame, 0}},
        {WebpFrame{&frame, 1 << 24}},
    };
    for (const std::vector<WebpFrame>& frames : refused)
        EXPECT_THROW(encodeLoopingLosslessWebp(frames), Error);
}

}  // namespace
}  // namespace felmo
