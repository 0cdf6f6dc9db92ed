#include <gtest/gtest.h>

#include <string>

#include "pixel_map.hpp"
#include "raster/decoded_picture.hpp"
#include "raster/png.hpp"
#include "support/picture_files.hpp"
#include "support/resident_memory.hpp"

namespace felmo {
namespace {

using testing::Bytes;
using testing::PngDescription;
using testing::Rgb;

// The 5 x 3 test picture of the colour-type cases: 8-bit levels, every one different, so a row
// or column swap shows.
std::uint8_t levelAt(int x, int y) {
    return static_cast<std::uint8_t>(x * 50 + y * 17 + 3);
}

// Packs samples of `depth` bits (1, 2, 4, 8, 16) from the high bit, 16 bits big-endian.
Bytes packRow(const std::vector<unsigned>& samples, int depth) {
    Bytes row;
    if (depth == 16) {
        for (unsigned sample : samples) {
            row.push_back(static_cast<std::uint8_t>(sample >> 8));
            row.push_back(static_cast<std::uint8_t>(sample));
        }
        return row;
    }
    unsigned bitsUsed = 0;
    for (unsigned sample : samples) {
        if (bitsUsed % 8 == 0)
            row.push_back(0);
        row.back() |= static_cast<std::uint8_t>(sample << (8 - depth - bitsUsed % 8));
        bitsUsed += depth;
    }
    return row;
}

struct ColourTypeCase {
    const char* name;
    int colourType;
    int depth;
    bool interlaced;
};

// Builds the file of one case and the colours it must decode to.
std::pair<Bytes, Raster> caseFile(const ColourTypeCase& c) {
    constexpr int kWidth = 5, kHeight = 3;
    PngDescription description{kWidth, kHeight, c.colourType, c.depth, c.interlaced,
                               {},     {},      {},           {},      {}};
    Raster expected(kWidth, kHeight);
    const unsigned maxSample = (1u << c.depth) - 1;
    if (c.colourType == 3) {
        for (unsigned i = 0; i <= maxSample; ++i)
            description.palette.push_back(Rgb{static_cast<std::uint8_t>(i * 9 + 1),
                                              static_cast<std::uint8_t>(200 - i * 3),
                                              static_cast<std::uint8_t>(i * 5)});
    }
    for (int y = 0; y < kHeight; ++y) {
        std::vector<unsigned> samples;
        for (int x = 0; x < kWidth; ++x) {
            const std::uint8_t level = levelAt(x, y);
            // A level the depth can hold exactly, and its 8-bit value.
            const unsigned sample = c.depth == 16 ? level * 257u : level * maxSample / 255;
            const auto eight = static_cast<std::uint8_t>(sample * 255 / maxSample);
            switch (c.colourType) {
                case 0:
                    samples.push_back(sample);
                    expected.setPixel(x, y, rgb(eight, eight, eight));
                    break;
                case 4:
                    samples.insert(samples.end(), {sample, maxSample});
                    expected.setPixel(x, y, rgb(eight, eight, eight));
                    break;
                case 3: {
                    samples.push_back(sample);
                    const Rgb entry = description.palette[sample];
                    expected.setPixel(x, y, rgb(entry.red, entry.green, entry.blue));
                    break;
                }
                default: {
                    // Red from the level, green and blue from other levels so no channel mirrors
                    // another.
                    const unsigned green = maxSample - sample, blue = (sample / 2);
                    samples.insert(samples.end(), {sample, green, blue});
                    if (c.colourType == 6)
                        samples.push_back(maxSample);
                    expected.setPixel(x, y,
                                      rgb(eight, static_cast<std::uint8_t>(green * 255 / maxSample),
                                          static_cast<std::uint8_t>(blue * 255 / maxSample)));
                }
            }
        }
        description.rows.push_back(packRow(samples, c.depth));
    }
    return {testing::encodePng(description), expected};
}

class PngColourType : public ::testing::TestWithParam<ColourTypeCase> {};

TEST_P(PngColourType, DecodesToTheStoredColoursWithoutAlpha) {
    const auto [file, expected] = caseFile(GetParam());
    const DecodedPicture picture = decodePng(file);
    ASSERT_EQ(picture.colour.width(), 5);
    ASSERT_EQ(picture.colour.height(), 3);
    EXPECT_TRUE(picture.colour.is24Bit());
    EXPECT_FALSE(picture.hasAlpha());  // fully opaque alpha channels are dropped
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(picture.colour.pixel(x, y), expected.pixel(x, y)) << x << "," << y;
}

constexpr ColourTypeCase kColourTypes[] = {
    {"Grey1", 0, 1, false},      {"Grey2", 0, 2, false},        {"Grey4", 0, 4, true},
    {"Grey8", 0, 8, false},      {"Grey16", 0, 16, true},       {"Palette1", 3, 1, false},
    {"Palette2", 3, 2, true},    {"Palette4", 3, 4, false},     {"Palette8", 3, 8, false},
    {"Rgb8", 2, 8, false},       {"Rgb16", 2, 16, false},       {"Rgb8Interlaced", 2, 8, true},
    {"GreyAlpha8", 4, 8, false}, {"GreyAlpha16", 4, 16, false}, {"Rgba8", 6, 8, true},
    {"Rgba16", 6, 16, false},
};
INSTANTIATE_TEST_SUITE_P(EveryColourTypeAndDepth, PngColourType, ::testing::ValuesIn(kColourTypes),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(PngDecoder, SixteenBitSamplesAreScaledWithRounding) {
    // 0x10F0 / 257 = 16.87: rounds to 17, where keeping the high byte would give 16.
    PngDescription description{1, 1, 0, 16, false, {}, {}, {}, {}, {Bytes{0x10, 0xF0}}};
    EXPECT_EQ(decodePng(testing::encodePng(description)).colour.pixel(0, 0), rgb(17, 17, 17));
}

// Opacity 0, 127, 128 and 255 over a red-on-blue pair: laid over black the colour is scaled, with
// the key colour the first two become magenta and the others stay as stored.
TEST(PngDecoder, AlphaIsKeptAndCanBeLaidOverBlackOrKeyed) {
    PngDescription description{4, 1, 6, 8, false, {}, {}, {}, {}, {}};
    description.rows.push_back(
        Bytes{200, 0, 100, 0, 200, 0, 100, 127, 200, 0, 100, 128, 0, 0, 255, 255});
    DecodedPicture picture = decodePng(testing::encodePng(description));
    ASSERT_TRUE(picture.hasAlpha());
    EXPECT_EQ(picture.alpha, (std::vector<std::uint8_t>{0, 127, 128, 255}));

    const Raster overBlack = flattenOverBlack(picture);
    EXPECT_EQ(overBlack.pixel(0, 0), rgb(0, 0, 0));
    EXPECT_EQ(overBlack.pixel(1, 0), rgb(100, 0, 50));
    EXPECT_EQ(overBlack.pixel(2, 0), rgb(100, 0, 50));
    EXPECT_EQ(overBlack.pixel(3, 0), rgb(0, 0, 255));

    const Raster keyed = keyTranslucentPixels(picture, colors::magenta);
    EXPECT_EQ(keyed.pixel(0, 0), colors::magenta);
    EXPECT_EQ(keyed.pixel(1, 0), colors::magenta);
    EXPECT_EQ(keyed.pixel(2, 0), rgb(200, 0, 100));
    EXPECT_EQ(keyed.pixel(3, 0), rgb(0, 0, 255));
}

TEST(PngDecoder, InterlacedPictureWithAlphaDecodesAsTheSameOneWithout) {
    // 19 x 13 covers every pass's partial blocks; every pixel differs in colour and opacity.
    PngDescription plain{19, 13, 6, 8, false, {}, {}, {}, {}, {}};
    for (int y = 0; y < plain.height; ++y) {
        Bytes row;
        for (int x = 0; x < plain.width; ++x)
            for (int channel = 0; channel < 4; ++channel)
                row.push_back(static_cast<std::uint8_t>(x * 13 + y * 7 + channel * 61));
        plain.rows.push_back(row);
    }
    PngDescription interlaced = plain;
    interlaced.interlaced = true;
    const DecodedPicture expected = decodePng(testing::encodePng(plain));
    const DecodedPicture actual = decodePng(testing::encodePng(interlaced));
    ASSERT_TRUE(actual.hasAlpha());
    EXPECT_EQ(actual.alpha, expected.alpha);
    for (int y = 0; y < plain.height; ++y)
        for (int x = 0; x < plain.width; ++x)
            ASSERT_EQ(actual.colour.pixel(x, y), expected.colour.pixel(x, y)) << x << ", " << y;
    EXPECT_EQ(expected.colour.pixel(2, 1), rgb(26 + 7, 26 + 7 + 61, 26 + 7 + 122));
    EXPECT_EQ(expected.alpha[1 * 19 + 2], 26 + 7 + 183);
}

TEST(PngDecoder, TransparencyChunksBecomeAlpha) {
    PngDescription palette{3,        1,
                           3,        8,
                           false,    {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}},
                           {0, 255}, {},
                           {},       {Bytes{0, 1, 2}}};
    EXPECT_EQ(decodePng(testing::encodePng(palette)).alpha,
              (std::vector<std::uint8_t>{0, 255, 255}));  // entries beyond the chunk are opaque

    PngDescription grey{2, 1, 0, 8, false, {}, {}, std::uint16_t{7}, {}, {Bytes{7, 8}}};
    EXPECT_EQ(decodePng(testing::encodePng(grey)).alpha, (std::vector<std::uint8_t>{0, 255}));

    PngDescription colour{2, 1, 2, 8, false, {}, {}, {}, Rgb{1, 2, 3}, {Bytes{1, 2, 3, 1, 2, 4}}};
    EXPECT_EQ(decodePng(testing::encodePng(colour)).alpha, (std::vector<std::uint8_t>{0, 255}));
}

TEST(PngDecoder, DecodingCostsThePictureAndARowNotASecondCopy) {
    if (!testing::residentMemoryIsMeasurable())
        GTEST_SKIP() << "resident memory is not measurable in this build";
    constexpr int kSide = 1536;
    PngDescription description{kSide, kSide, 6, 8, false, {}, {}, {}, {}, {}};
    for (int y = 0; y < kSide; ++y) {
        Bytes row(static_cast<std::size_t>(kSide) * 4);
        for (std::size_t i = 0; i < row.size(); ++i)
            row[i] = static_cast<std::uint8_t>(i / 4 + y + (i % 4 == 3 ? 100 : 0));
        description.rows.push_back(std::move(row));
    }
    const Bytes file = testing::encodePng(description);
    const std::optional<std::int64_t> growth = testing::peakResidentGrowth([&file] {
        if (!decodePng(file).hasAlpha())
            throw Error("not the picture");
    });
    ASSERT_TRUE(growth.has_value());
    // Colours and opacities: 4 bytes a pixel, plus a few rows and the library's own state and code
    // (which an optimised build pages in differently); before, a second 4 bytes a pixel came
    // beside.
    EXPECT_LE(*growth, std::int64_t{kSide} * kSide * 4 + (std::int64_t{3} << 20));
}

TEST(PngDecoder, PictureBeyondThePixelLimitIsRefused) {
    // 8193 x 1 at one bit a pixel: a small file, one pixel wider than the limit.
    PngDescription description{8193, 1, 0, 1, false, {}, {}, {}, {}, {Bytes(1025, 0)}};
    try {
        decodePng(testing::encodePng(description));
        FAIL() << "a picture wider than the limit was accepted";
    } catch (const InvalidPicture& error) {
        EXPECT_EQ(std::string(error.what()).rfind("Invalid PNG data. The picture is 8193 x 1", 0),
                  0u)
            << error.what();
    }
}

// Found by fuzzing: a picture whose data fails after the row table is made (the table was lost on
// the jump back and leaked).
TEST(PngDecoder, DataFailingAfterTheRowsAreSetUpIsAnErrorAndLeaksNothing) {
    const Bytes file = {
        0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44,
        0x52, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x01, 0x10, 0x06, 0x00, 0x00, 0x00, 0xA4,
        0xB2, 0xA3, 0xC9, 0x00, 0x00, 0x00, 0x19, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9C, 0x63, 0x60,
        0x60, 0x64, 0x62, 0x66, 0x61, 0x65, 0x63, 0xE7, 0xE0, 0xE4, 0xE2, 0xE6, 0x00, 0x00, 0x00,
        0x00, 0x00, 0x00, 0x00, 0x00, 0xE1, 0xE5, 0xE3, 0x07, 0x00, 0x02, 0xB9, 0x00, 0x79, 0xCC,
        0x8C, 0x7E, 0xEC, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};
    EXPECT_THROW(decodePng(file), InvalidPicture);
}

}  // namespace
}  // namespace felmo
