// Write then read at every depth: pictures made of colours each depth holds exactly come back
// unchanged, whatever the width (every padding case), the runs and the storage.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "base/error.hpp"
#include "mbm/color_depth.hpp"
#include "mbm/mbm_reader.hpp"
#include "mbm/mbm_writer.hpp"

namespace felmo {
namespace {

const BitmapMode kModes[] = {
    {1, ColorKind::Grey},   {2, ColorKind::Grey},   {4, ColorKind::Grey},   {8, ColorKind::Grey},
    {4, ColorKind::Color},  {8, ColorKind::Color},  {12, ColorKind::Color}, {16, ColorKind::Color},
    {24, ColorKind::Color}, {32, ColorKind::Color},
};

std::string modeName(const BitmapMode& mode) {
    return (mode.color == ColorKind::Grey ? "grey" : "colour") + std::to_string(mode.bitsPerPixel);
}

// The colour that stored value `value` of the mode reads back as: a colour the mode holds exactly.
Color exactColor(const BitmapMode& mode, std::uint32_t value) {
    const std::uint32_t values = mode.bitsPerPixel >= 24 ? 1u << 24 : 1u << mode.bitsPerPixel;
    Color c = expandValue(value % values, mode);
    // The two greys the writer adjusts are not held exactly; step past them.
    if (c == rgb(128, 128, 128) || c == rgb(192, 192, 192))
        c = expandValue(0, mode);
    return c;
}

// Fills a raster with a sequence of stored values, row after row.
Raster pictureOf(const BitmapMode& mode, int width, int height,
                 const std::vector<std::uint32_t>& values) {
    Raster raster(width, height);
    for (int i = 0; i < width * height; ++i) {
        raster.setPixel(i % width, i / width, exactColor(mode, values[i % values.size()]));
    }
    return raster;
}

void expectSamePixels(const Raster& a, const Raster& b) {
    ASSERT_EQ(a.width(), b.width());
    ASSERT_EQ(a.height(), b.height());
    int wrong = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            wrong += a.pixel(x, y) != b.pixel(x, y);
    EXPECT_EQ(wrong, 0);
}

MbmBitmap roundTrip(const Raster& picture, const BitmapMode& mode, MbmStorage storage) {
    const MbmFrame frame{&picture, mode};
    std::vector<MbmBitmap> bitmaps = decodeMbm(encodeMbm({&frame, 1}, storage));
    EXPECT_EQ(bitmaps.size(), 1u);
    return std::move(bitmaps.at(0));
}

struct Case {
    BitmapMode mode;
    int width;
};

class RoundTrip : public testing::TestWithParam<Case> {};

TEST_P(RoundTrip, NoisyAndBlockyPicturesComeBackExactly) {
    const auto [mode, width] = GetParam();
    std::mt19937 random(1234);
    std::vector<std::uint32_t> noise(997);
    for (auto& value : noise)
        value = static_cast<std::uint32_t>(random());
    // Blocks of equal values whose lengths 1, 2, 3, 128, 129, 130 cross the row ends.
    std::vector<std::uint32_t> blocks;
    std::uint32_t value = 0;
    for (int length : {1, 2, 3, 128, 129, 130, 1, 3, 2})
        blocks.insert(blocks.end(), static_cast<std::size_t>(length), value += 0x9E3779B1u);

    for (const auto& values : {noise, blocks}) {
        const Raster picture = pictureOf(mode, width, 7, values);
        for (MbmStorage storage : {MbmStorage::Compressed, MbmStorage::Uncompressed}) {
            const MbmBitmap bitmap = roundTrip(picture, mode, storage);
            EXPECT_EQ(bitmap.info.mode, mode);
            expectSamePixels(bitmap.raster, picture);
        }
    }
}

std::vector<Case> allCases() {
    std::vector<Case> cases;
    for (const BitmapMode& mode : kModes)
        for (int width : {1, 2, 3, 4, 5, 175})
            cases.push_back({mode, width});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(EveryDepthAndPadding, RoundTrip, testing::ValuesIn(allCases()),
                         [](const testing::TestParamInfo<Case>& testCase) {
                             return modeName(testCase.param.mode) + "_width" +
                                    std::to_string(testCase.param.width);
                         });

class StorageChoice : public testing::TestWithParam<BitmapMode> {};

TEST_P(StorageChoice, CompressesWhatRepeatsAndStoresNoiseAsItIs) {
    const BitmapMode mode = GetParam();
    const Raster flat(176, 208, exactColor(mode, 1));
    const MbmBitmap compressed = roundTrip(flat, mode, MbmStorage::Compressed);
    EXPECT_EQ(compressed.info.compression, compressionFor(mode));
    EXPECT_LT(compressed.info.storedBytes(), compressed.info.rawBytes() / 10);

    const MbmBitmap plain = roundTrip(flat, mode, MbmStorage::Uncompressed);
    EXPECT_EQ(plain.info.compression, Compression::None);
    EXPECT_EQ(plain.info.storedBytes(), plain.info.rawBytes());

    std::mt19937 random(99);
    std::vector<std::uint32_t> noise(4096);
    for (auto& value : noise)
        value = static_cast<std::uint32_t>(random());
    const Raster noisy = pictureOf(mode, 176, 20, noise);
    const MbmBitmap stored = roundTrip(noisy, mode, MbmStorage::Compressed);
    // Twelve-bit pictures are always compressed, and 32-bit ones store 3 of every 4 bytes even
    // as literals; the other schemes give up on noise.
    const bool alwaysCompressed = mode.bitsPerPixel == 12 || mode.bitsPerPixel == 32;
    EXPECT_EQ(stored.info.compression, alwaysCompressed ? compressionFor(mode) : Compression::None);
    expectSamePixels(stored.raster, noisy);
}

INSTANTIATE_TEST_SUITE_P(Depths, StorageChoice, testing::ValuesIn(kModes),
                         [](const testing::TestParamInfo<BitmapMode>& testCase) {
                             return modeName(testCase.param);
                         });

TEST(Writer, WritesOneFileOfSeveralBitmapsWithTheirOwnDepthsAndTwips) {
    Raster first(176, 12, rgb(10, 20, 30));
    first.setResolution(3780, 2835);
    const Raster second(1, 1, colors::white);
    const MbmFrame frames[] = {{&first, {16, ColorKind::Color}}, {&second, {1, ColorKind::Grey}}};
    const std::vector<std::uint8_t> file = encodeMbm(frames);

    const std::vector<MbmBitmapInfo> infos = readMbmDirectory(file);
    ASSERT_EQ(infos.size(), 2u);
    EXPECT_EQ(infos[0].offset, 20u);
    EXPECT_EQ(infos[1].offset, 20u + infos[0].bitmapSize);
    EXPECT_EQ(infos[0].widthTwips, 263);  // 176 px at 3780 px/m
    EXPECT_EQ(infos[0].heightTwips, 23);  // 12 px at 2835 px/m
    EXPECT_EQ(infos[1].widthTwips, 0);
    EXPECT_EQ(infos[1].mode, (BitmapMode{1, ColorKind::Grey}));
    // Header: UIDs, checksum, trailer offset; file ends with the trailer.
    const std::uint8_t head[] = {0x37, 0, 0, 0x10, 0x42, 0,    0,    0x10,
                                 0,    0, 0, 0,    0x39, 0x64, 0x39, 0x47};
    EXPECT_TRUE(std::equal(std::begin(head), std::end(head), file.begin()));
    const std::size_t trailer = 20 + infos[0].bitmapSize + infos[1].bitmapSize;
    EXPECT_EQ(file[16] | (file[17] << 8) | (file[18] << 16), static_cast<int>(trailer));
    EXPECT_EQ(file.size(), trailer + 4 + 8);
    // A 1 x 1 white pixel at 1 bpp: one word, all bits set (pixel and padding).
    EXPECT_EQ(infos[1].compression, Compression::None);
    EXPECT_EQ(infos[1].bitmapSize, 44u);
    EXPECT_EQ(file[infos[1].offset + 40], 0xFF);
}

TEST(Writer, RefusesEmptyPicturesAndAlpha) {
    const Raster empty;
    const Raster one(1, 1);
    const MbmFrame emptyFrame{&empty, {16, ColorKind::Color}};
    EXPECT_THROW(encodeMbm({&emptyFrame, 1}), Error);
    const MbmFrame alpha{&one, {32, ColorKind::ColorAlpha}};
    EXPECT_THROW(encodeMbm({&alpha, 1}), Error);
    const MbmFrame badDepth{&one, {3, ColorKind::Color}};
    EXPECT_THROW(encodeMbm({&badDepth, 1}), Error);
}

}  // namespace
}  // namespace felmo
