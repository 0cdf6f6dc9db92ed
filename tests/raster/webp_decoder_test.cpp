#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "raster/webp.hpp"
#include "support/picture_files.hpp"
#include "support/resident_memory.hpp"

namespace felmo {
namespace {

using testing::Bytes;
using testing::PlacedWebpFrame;

// width x height RGBA pixels of a fixed pseudo-random pattern; with `translucent`, the opacities
// run through clear, partial and opaque values.
Bytes patternRgba(int width, int height, bool translucent, std::uint32_t seed) {
    Bytes rgba(static_cast<std::size_t>(width) * height * 4);
    for (std::size_t i = 0; i < rgba.size(); ++i) {
        seed = seed * 1664525u + 1013904223u;
        rgba[i] = static_cast<std::uint8_t>(seed >> 24);
        if (i % 4 == 3)
            rgba[i] = !translucent ? 255 : i / 4 % 3 == 0 ? 0 : rgba[i] | 0x80;
    }
    return rgba;
}

// The first canvas the library's animation decoder composes, as decodeWebp gives a picture.
DecodedPicture firstComposedFrame(const Bytes& file) {
    DecodedPicture first;
    composeWebpFrames(file, [&](int, const DecodedPicture& canvas) {
        first = canvas;
        return false;
    });
    dropAlphaWhenOpaque(first);
    return first;
}

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

struct FirstFrameCase {
    const char* name;
    bool lossless;
    bool translucent;
    bool animated;
    int x, y, width, height;  // the first frame's place on a 20 x 11 canvas
};

class WebpFirstFrame : public ::testing::TestWithParam<FirstFrameCase> {};

// The first frame is decoded without the animation decoder; it must show what that decoder's
// first canvas shows, wherever the frame lies and whatever it holds. Odd sizes make the chroma
// planes round up.
TEST_P(WebpFirstFrame, IsTheCanvasTheAnimationShowsFirst) {
    const FirstFrameCase& c = GetParam();
    const int width = c.width, height = c.height;
    const Bytes still = testing::encodeWebp(
        width, height, patternRgba(width, height, c.translucent, 7), c.lossless);
    const Bytes file =
        c.animated
            ? testing::assembleAnimatedWebp(
                  20, 11,
                  {PlacedWebpFrame{still, c.x, c.y},
                   PlacedWebpFrame{testing::encodeWebp(2, 2, patternRgba(2, 2, true, 9)), 0, 0}})
            : still;
    const DecodedPicture expected = firstComposedFrame(file);
    const DecodedPicture picture = decodeWebp(file);
    ASSERT_EQ(picture.colour.width(), 20);
    ASSERT_EQ(picture.colour.height(), 11);
    EXPECT_EQ(picture.alpha, expected.alpha);
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(picture.colour.pixel(x, y), expected.colour.pixel(x, y))
                << "at " << x << ", " << y;
}

INSTANTIATE_TEST_SUITE_P(
    WebpDecoder, WebpFirstFrame,
    ::testing::Values(
        FirstFrameCase{"LosslessOpaqueStill", true, false, false, 0, 0, 20, 11},
        FirstFrameCase{"LosslessTranslucentStill", true, true, false, 0, 0, 20, 11},
        FirstFrameCase{"LossyTranslucentStill", false, true, false, 0, 0, 20, 11},
        FirstFrameCase{"LossyOpaqueFillingTheCanvas", false, false, true, 0, 0, 20, 11},
        FirstFrameCase{"LossyTranslucentFillingTheCanvas", false, true, true, 0, 0, 20, 11},
        FirstFrameCase{"LosslessOpaqueAtTopLeft", true, false, true, 0, 0, 13, 7},
        FirstFrameCase{"LosslessOpaquePlaced", true, false, true, 6, 4, 13, 7},
        FirstFrameCase{"LosslessTranslucentPlaced", true, true, true, 6, 4, 13, 7},
        FirstFrameCase{"LossyOpaquePlaced", false, false, true, 2, 2, 13, 7},
        FirstFrameCase{"LossyTranslucentPlaced", false, true, true, 4, 2, 15, 9},
        FirstFrameCase{"LossyTranslucentInTheCorner", false, true, true, 6, 4, 14, 7}),
    [](const ::testing::TestParamInfo<FirstFrameCase>& param) { return param.param.name; });

struct MemoryCase {
    const char* name;
    std::function<Bytes()> file;
    double bytesPerCanvasPixel;  // the bound, beside a few MiB of the allocators' own state
};

class WebpDecoderMemory : public ::testing::TestWithParam<MemoryCase> {};

// 2048 x 1024: the picture itself costs 3 bytes a pixel, 4 with its opacities. A lossy frame with
// opacities costs the library about 1.3 bytes a pixel more, a lossless one about 4.3. What the
// allocator keeps from earlier tests in the process moves the figure by up to 4 MiB; the old
// decoding, through spare canvases, took 34 and 68 MB here.
constexpr int kWide = 2048, kHigh = 1024;

TEST_P(WebpDecoderMemory, FirstFrameCostsItsPictureNotSpareCanvases) {
    if (!testing::residentMemoryIsMeasurable())
        GTEST_SKIP() << "resident memory is not measurable in this build";
    const Bytes file = GetParam().file();
    const std::optional<std::int64_t> growth = testing::peakResidentGrowth([&file] {
        const DecodedPicture picture = decodeWebp(file);
        if (!picture.hasAlpha() || picture.colour.width() != kWide)
            throw Error("not the picture");
    });
    ASSERT_TRUE(growth.has_value());
    const double pixels = double{kWide} * kHigh;
    EXPECT_LE(*growth, static_cast<std::int64_t>(pixels * GetParam().bytesPerCanvasPixel) +
                           (std::int64_t{6} << 20));
}

Bytes smoothRgba(int width, int height) {
    Bytes rgba(static_cast<std::size_t>(width) * height * 4);
    for (std::size_t i = 0; i < rgba.size() / 4; ++i) {
        rgba[i * 4] = static_cast<std::uint8_t>(i % width / 8);
        rgba[i * 4 + 1] = static_cast<std::uint8_t>(i / width / 4);
        rgba[i * 4 + 2] = 90;
        rgba[i * 4 + 3] = static_cast<std::uint8_t>(i % 7 == 0 ? 0 : 200);
    }
    return rgba;
}

INSTANTIATE_TEST_SUITE_P(
    WebpDecoder, WebpDecoderMemory,
    ::testing::Values(
        MemoryCase{"LossyAnimation",
                   [] {
                       const int w = kWide - 64, h = kHigh - 32;
                       const Bytes first = testing::encodeWebp(w, h, smoothRgba(w, h), false);
                       return testing::assembleAnimatedWebp(
                           kWide, kHigh,
                           {PlacedWebpFrame{first, 32, 16},
                            PlacedWebpFrame{testing::encodeWebp(2, 2, smoothRgba(2, 2)), 0, 0}});
                   },
                   6.0},
        MemoryCase{"LosslessStillWithOpacities",
                   [] { return testing::encodeWebp(kWide, kHigh, smoothRgba(kWide, kHigh)); },
                   8.5}),
    [](const ::testing::TestParamInfo<MemoryCase>& param) { return param.param.name; });

// A lossless bitstream whose header claims width x height (the pixels are those of 1 x 1).
Bytes losslessClaiming(int width, int height) {
    Bytes file = testing::encodeWebp(1, 1, {10, 20, 30, 255});
    // RIFF header, "VP8L", chunk size, signature byte; then 14 bits of width - 1 and of height - 1.
    std::uint32_t header = 0;
    std::memcpy(&header, file.data() + 21, 4);
    header = (header & 0xF0000000u) | static_cast<std::uint32_t>(width - 1) |
             (static_cast<std::uint32_t>(height - 1) << 14);
    std::memcpy(file.data() + 21, &header, 4);
    return file;
}

TEST(WebpDecoder, LosslessPictureBeyondItsShareOfMemoryIsRefusedBeforeDecoding) {
    const int side = kMaxPictureSide;
    const int over = static_cast<int>(kMaxLosslessWebpPixels / side + 1);
    ASSERT_NO_THROW(readWebpOutline(losslessClaiming(side, over)));
    try {
        decodeWebp(losslessClaiming(side, over));
        FAIL() << "decoded";
    } catch (const InvalidPicture& refused) {
        EXPECT_NE(std::string(refused.what()).find("lossless"), std::string::npos)
            << refused.what();
    }
    // Within the limit the same bitstream decodes: its one colour needs no bits a pixel.
    const DecodedPicture within = decodeWebp(losslessClaiming(512, 256));
    EXPECT_EQ(within.colour.width(), 512);
    EXPECT_EQ(within.colour.pixel(511, 255), rgb(10, 20, 30));
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
