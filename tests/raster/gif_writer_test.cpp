#include <gtest/gtest.h>

#include <vector>

#include "base/error.hpp"
#include "pixel_map.hpp"
#include "raster/gif_writer.hpp"
#include "raster/webp_writer.hpp"
#include "support/photo_like_raster.hpp"
#include "support/reference_decoders.hpp"

namespace felmo {
namespace {

using testing::decodeGifForTest;
using testing::photoLikeRaster;

std::vector<GifFrame> framesOf(const std::vector<Raster>& pictures, int delay = 10) {
    std::vector<GifFrame> frames;
    for (const Raster& picture : pictures)
        frames.push_back(GifFrame{&picture, delay});
    return frames;
}

TEST(GifWriter, FramesSizeDelaysAndEndlessLoopReadBack) {
    std::vector<Raster> pictures;
    std::vector<GifFrame> frames;
    for (int i = 0; i < 12; ++i)
        pictures.push_back(photoLikeRaster(176, 208, i * 16));
    for (int i = 0; i < 12; ++i)
        frames.push_back(GifFrame{&pictures[i], i % 2 == 0 ? 13 : 12});

    const testing::DecodedAnimation gif = decodeGifForTest(encodeLoopingGif(frames));
    ASSERT_EQ(testing::differenceFromPhoneAnimation(gif, testing::kStartupGifDelays), "");

    // Photographs keep at least 30 dB on average through the 256-colour palettes.
    double total = 0;
    for (int i = 0; i < 12; ++i)
        total += testing::psnr(gif.frames[i], pictures[i]);
    const double mean = total / 12;
    RecordProperty("MeanPsnrDb", std::to_string(mean));
    EXPECT_GE(mean, 30.0);
}

// A picture of few colours needs no compromise, and each frame's palette is its own: a red frame
// and a blue frame both come back exact.
TEST(GifWriter, FramesOfFewColoursComeBackExactWithTheirOwnPalettes) {
    const testing::Legend reds{{'#', rgb(200, 0, 0)}, {'.', rgb(90, 10, 10)}};
    const testing::Legend blues{
        {'#', rgb(0, 0, 220)}, {'.', rgb(20, 20, 60)}, {'o', colors::white}};
    const testing::PixelMap f{
        "#####.", "#.....", "####..", "#.....", "#.....",
    };
    const testing::PixelMap ring{
        "o####o", "#....#", "#.oo.#", "#....#", "o####o",
    };
    const std::vector<Raster> pictures{testing::rasterFromMap(f, reds),
                                       testing::rasterFromMap(ring, blues)};
    const testing::DecodedAnimation gif = decodeGifForTest(encodeLoopingGif(framesOf(pictures)));
    ASSERT_EQ(gif.frames.size(), 2u);
    EXPECT_EQ(testing::mapOf(gif.frames[0], reds), f);
    EXPECT_EQ(testing::mapOf(gif.frames[1], blues), ring);
}

// Both animation writers refuse what they cannot write, each frame's timing in its own unit.
TEST(AnimationWriters, RefuseFramesTheyCannotWrite) {
    const Raster frame(4, 4), other(5, 4);
    Raster palette(4, 4);
    palette.setSourceFormat(PixelFormat::Bits8, {colors::black, colors::white});
    struct Case {
        std::vector<const Raster*> pictures;
        int delayCentiseconds;
        int durationMs;
    };
    const Case refused[] = {
        {{}, 10, 100},     {{&frame, &other}, 10, 100}, {{&palette}, 10, 100},
        {{&frame}, -1, 0}, {{&frame}, 65536, 1 << 24},
    };
    for (const Case& refusal : refused) {
        std::vector<GifFrame> gifFrames;
        std::vector<WebpFrame> webpFrames;
        for (const Raster* picture : refusal.pictures) {
            gifFrames.push_back(GifFrame{picture, refusal.delayCentiseconds});
            webpFrames.push_back(WebpFrame{picture, refusal.durationMs});
        }
        EXPECT_THROW(encodeLoopingGif(gifFrames), Error);
        EXPECT_THROW(encodeLoopingLosslessWebp(webpFrames), Error);
    }
}

}  // namespace
}  // namespace felmo
