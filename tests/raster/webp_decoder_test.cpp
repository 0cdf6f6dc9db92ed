#include <gtest/gtest.h>

#include "raster/webp.hpp"
#include "support/picture_files.hpp"
#include "support/resident_memory.hpp"

namespace felmo {
namespace {

using testing::Bytes;

// RGBA bytes of a 3 x 2 picture: red, green, blue / half-transparent white, clear, opaque grey.
const Bytes kRgba = {255, 0,   0,   255, 0, 255, 0, 255, 0,  0,  255, 255,
                     255, 255, 255, 100, 0, 0,   0, 0,   90, 90, 90,  255};

TEST(WebpDecoder, LosslessStillKeepsEveryPixelAndItsOpacity) {
    const DecodedPicture picture = decodeWebp(testing::encodeWebp(3, 2, kRgba));
    ASSERT_EQ(picture.colour.width(), 3);
    ASSERT_EQ(picture.colour.height(), 2);
    EXPECT_EQ(picture.colour.pixel(0, 0), rgb(255, 0, 0));
    EXPECT_EQ(picture.colour.pixel(1, 0), rgb(0, 255, 0));
    EXPECT_EQ(picture.colour.pixel(2, 0), rgb(0, 0, 255));
    EXPECT_EQ(picture.colour.pixel(0, 1), rgb(255, 255, 255));
    EXPECT_EQ(picture.colour.pixel(2, 1), rgb(90, 90, 90));
    EXPECT_EQ(picture.alpha, (std::vector<std::uint8_t>{255, 255, 255, 100, 0, 255}));
    EXPECT_EQ(readWebpOutline(testing::encodeWebp(3, 2, kRgba)).delaysMs, std::vector<int>{0});
}

TEST(WebpDecoder, LossyOpaqueStillHasNoAlpha) {
    Bytes grey(16 * 16 * 4, 128);
    for (std::size_t i = 3; i < grey.size(); i += 4)
        grey[i] = 255;
    const DecodedPicture picture = decodeWebp(testing::encodeWebp(16, 16, grey, false));
    EXPECT_FALSE(picture.hasAlpha());
    EXPECT_NEAR(redOf(picture.colour.pixel(8, 8)), 128, 3);
}

TEST(WebpDecoder, StillPictureCostsItsRasterNotSpareCanvases) {
    if (!testing::residentMemoryIsMeasurable())
        GTEST_SKIP() << "resident memory is not measurable in this build";
    constexpr int kWidth = 2048, kHeight = 1024;
    Bytes rgba(static_cast<std::size_t>(kWidth) * kHeight * 4, 255);
    for (std::size_t i = 0; i < rgba.size(); i += 4)
        rgba[i] = static_cast<std::uint8_t>(i / 4 % kWidth / 8);
    const Bytes lossy = testing::encodeWebp(kWidth, kHeight, rgba, false);
    const std::optional<std::int64_t> growth = testing::peakResidentGrowth([&lossy] {
        const DecodedPicture picture = decodeWebp(lossy);
        if (picture.hasAlpha() || picture.colour.width() != kWidth)
            throw Error("not the picture");
    });
    ASSERT_TRUE(growth.has_value());
    constexpr std::int64_t kRaster = std::int64_t{kWidth} * kHeight * 3;
    EXPECT_LE(*growth, kRaster + (std::int64_t{3} << 20));
}

TEST(WebpDecoder, AnimationGivesEveryComposedFrameAndItsDelay) {
    // Three 2 x 1 frames; the middle one has a transparent pixel over the first frame's place.
    const std::vector<Bytes> frames = {
        {255, 0, 0, 255, 255, 0, 0, 255},
        {0, 0, 0, 0, 0, 255, 0, 255},
        {0, 0, 255, 255, 0, 0, 255, 255},
    };
    const Bytes file = testing::encodeAnimatedWebp(2, 1, frames, {100, 40, 250});
    const AnimationOutline outline = readWebpOutline(file);
    EXPECT_EQ(outline.width, 2);
    EXPECT_EQ(outline.height, 1);
    EXPECT_EQ(outline.delaysMs, (std::vector<int>{100, 40, 250}));

    std::vector<std::vector<Color>> seen;
    composeWebpFrames(file, [&](int index, const DecodedPicture& canvas) {
        EXPECT_EQ(index, static_cast<int>(seen.size()));
        const Raster overBlack = flattenOverBlack(canvas);
        seen.push_back({overBlack.pixel(0, 0), overBlack.pixel(1, 0)});
        return true;
    });
    const std::vector<std::vector<Color>> expected = {
        {rgb(255, 0, 0), rgb(255, 0, 0)},
        {colors::black, rgb(0, 255, 0)},
        {rgb(0, 0, 255), rgb(0, 0, 255)},
    };
    EXPECT_EQ(seen, expected);
}

}  // namespace
}  // namespace felmo
