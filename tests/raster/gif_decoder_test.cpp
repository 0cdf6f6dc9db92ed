#include <gtest/gtest.h>

#include <string>

#include "pixel_map.hpp"
#include "raster/gif.hpp"
#include "support/picture_files.hpp"
#include "support/resident_memory.hpp"

namespace felmo {
namespace {

using testing::Bytes;
using testing::GifDescription;
using testing::GifFrameDescription;
using testing::Legend;
using testing::PixelMap;

// Global colours: 0 red, 1 green, 2 blue, 3 white. Transparent pixels show as '.' after laying
// the canvas over black.
const Legend kLegend = {{'R', rgb(255, 0, 0)},
                        {'G', rgb(0, 255, 0)},
                        {'B', rgb(0, 0, 255)},
                        {'W', rgb(255, 255, 255)},
                        {'.', colors::black}};

GifDescription fourColourGif(int width, int height) {
    return GifDescription{
        width, height, {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}}, {}};
}

std::vector<PixelMap> composedMaps(const Bytes& file) {
    std::vector<PixelMap> maps;
    composeGifFrames(file, [&](int, const DecodedPicture& canvas) {
        maps.push_back(testing::mapOf(flattenOverBlack(canvas), kLegend));
        return true;
    });
    return maps;
}

TEST(GifDecoder, FramesAreComposedWithDisposalAndTransparency) {
    GifDescription description = fourColourGif(4, 3);
    // 0: the whole canvas red, kept.
    description.frames.push_back(
        GifFrameDescription{0, 0, 4, 3, 10, 1, -1, false, {}, Bytes(12, 0)});
    // 1: a 2 x 2 green square at (1, 1) with a transparent pixel (index 3), then cleared.
    description.frames.push_back(
        GifFrameDescription{1, 1, 2, 2, 10, 2, 3, false, {}, {1, 3, 1, 1}});
    // 2: one blue pixel at (0, 0), then the canvas goes back to what it was before it.
    description.frames.push_back(GifFrameDescription{0, 0, 1, 1, 10, 3, -1, false, {}, {2}});
    // 3: a white pixel at (3, 0), interlaced by itself (one row).
    description.frames.push_back(GifFrameDescription{3, 0, 1, 1, 10, 1, -1, true, {}, {3}});
    const std::vector<PixelMap> frames = composedMaps(testing::encodeGif(description));
    const std::vector<PixelMap> expected = {
        {"RRRR", "RRRR", "RRRR"},
        {"RRRR", "RGRR", "RGGR"},
        {"BRRR", "R..R", "R..R"},  // the green square was disposed to transparent
        {"RRRW", "R..R", "R..R"},  // the blue pixel was put back to red
    };
    EXPECT_EQ(frames, expected);
}

TEST(GifDecoder, AStillCostsItsCanvasNotACopyOfIt) {
    if (!testing::residentMemoryIsMeasurable())
        GTEST_SKIP() << "resident memory is not measurable in this build";
    constexpr int kWidth = 2048, kHeight = 1024;
    testing::GifDescription description;
    description.width = kWidth;
    description.height = kHeight;
    description.colours = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    testing::GifFrameDescription frame;
    frame.width = kWidth;
    frame.height = kHeight;
    frame.disposal = 3;  // back to the previous canvas: nothing to keep for a still
    frame.transparentIndex = 0;
    frame.indices.resize(static_cast<std::size_t>(kWidth) * kHeight);
    for (std::size_t i = 0; i < frame.indices.size(); ++i)
        frame.indices[i] = static_cast<std::uint8_t>(i / 4096 % 4);
    description.frames.push_back(frame);
    description.frames.push_back(frame);
    const testing::Bytes file = testing::encodeGif(description);
    const std::optional<std::int64_t> growth = testing::peakResidentGrowth([&file] {
        if (!decodeGif(file).hasAlpha())
            throw Error("not the picture");
    });
    ASSERT_TRUE(growth.has_value());
    // The canvas and the library's own state; a copy of the canvas would add 8 MiB.
    EXPECT_LE(*growth, std::int64_t{kWidth} * kHeight * 4 + (std::int64_t{3} << 20));
}

TEST(GifDecoder, InterlacedRowsArePutBackInOrder) {
    GifDescription description = fourColourGif(1, 9);
    description.frames.push_back(
        GifFrameDescription{0, 0, 1, 9, 0, 0, -1, true, {}, {0, 1, 2, 3, 0, 1, 2, 3, 0}});
    const DecodedPicture still = decodeGif(testing::encodeGif(description));
    EXPECT_EQ(testing::mapOf(still.colour, kLegend),
              (PixelMap{"R", "G", "B", "W", "R", "G", "B", "W", "R"}));
    EXPECT_FALSE(still.hasAlpha());
}

TEST(GifDecoder, StillIsTheFirstFrameWithItsTransparencyOnTheLogicalScreen) {
    GifDescription description = fourColourGif(3, 2);
    // A partial first frame with a local table: the rest of the screen is transparent.
    description.frames.push_back(
        GifFrameDescription{1, 0, 2, 1, 0, 0, 0, false, {{9, 9, 9}, {0, 0, 255}}, {1, 0}});
    description.frames.push_back(GifFrameDescription{0, 0, 3, 2, 0, 0, -1, false, {}, Bytes(6, 0)});
    const DecodedPicture still = decodeGif(testing::encodeGif(description));
    ASSERT_EQ(still.colour.width(), 3);
    ASSERT_EQ(still.colour.height(), 2);
    EXPECT_EQ(still.alpha, (std::vector<std::uint8_t>{0, 255, 0, 0, 0, 0}));
    EXPECT_EQ(still.colour.pixel(1, 0), rgb(0, 0, 255));
}

TEST(GifDecoder, OutlineGivesDelaysInMillisecondsAndGrowsTheCanvasToHoldEveryFrame) {
    GifDescription description = fourColourGif(2, 2);
    description.frames.push_back(GifFrameDescription{0, 0, 2, 2, 7, 0, -1, false, {}, Bytes(4, 0)});
    description.frames.push_back(GifFrameDescription{1, 2, 2, 1, 0, 0, -1, false, {}, Bytes(2, 1)});
    const AnimationOutline outline = readGifOutline(testing::encodeGif(description));
    EXPECT_EQ(outline.width, 3);
    EXPECT_EQ(outline.height, 3);
    EXPECT_EQ(outline.delaysMs, (std::vector<int>{70, 0}));
}

TEST(GifDecoder, AMissingClosingByteIsForgivenButAFrameCutShortIsNot) {
    GifDescription description = fourColourGif(4, 3);
    description.frames.push_back(
        GifFrameDescription{0, 0, 4, 3, 10, 1, -1, false, {}, Bytes(12, 2)});
    description.frames.push_back(
        GifFrameDescription{0, 0, 4, 3, 10, 1, -1, false, {}, Bytes(12, 1)});
    Bytes file = testing::encodeGif(description);
    ASSERT_EQ(file.back(), 0x3B);
    file.pop_back();
    EXPECT_EQ(readGifOutline(file).delaysMs.size(), 2u);
    EXPECT_EQ(composedMaps(file).back(), (PixelMap{"GGGG", "GGGG", "GGGG"}));
    file.resize(file.size() - 3);
    EXPECT_THROW(composedMaps(file), InvalidPicture);
}

TEST(GifDecoder, ScreenBeyondThePixelLimitIsRefused) {
    GifDescription description = fourColourGif(9000, 1);
    description.frames.push_back(GifFrameDescription{0, 0, 1, 1, 0, 0, -1, false, {}, {0}});
    EXPECT_THROW(decodeGif(testing::encodeGif(description)), InvalidPicture);
}

// Found by fuzzing: a frame kept "to previous" whose rectangle lies off the canvas.
TEST(GifDecoder, FrameRestoredToPreviousOffTheCanvasIsHarmless) {
    const Bytes file = {
        0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0xA0, 0x00, 0x02, 0x00, 0xF1, 0x00, 0x00, 0xFF, 0x00,
        0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x21, 0x00, 0x00, 0x2C, 0x01, 0x01, 0x00, 0x01,
        0x01, 0x00, 0x00, 0x00, 0x71, 0x05, 0x00, 0x21, 0xF9, 0x04, 0x0C, 0x6C, 0x00, 0x00, 0x00,
        0x2C, 0x01, 0x00, 0x02, 0x00, 0x00, 0x00, 0x01, 0x01, 0x2C, 0x02, 0x02, 0x54, 0x00, 0x05,
        0x04, 0x04, 0x43, 0x71, 0x05, 0x00, 0x21, 0xF9, 0x04, 0x0C, 0x6C, 0x00, 0x00, 0x00, 0x2C,
        0x01, 0x00, 0x02, 0x00, 0x01, 0x00, 0x01, 0x01, 0x2C, 0x02, 0x02, 0x54, 0x01, 0x00, 0x3B};
    try {
        composedMaps(file);
    } catch (const InvalidPicture&) {
    }
}

}  // namespace
}  // namespace felmo
