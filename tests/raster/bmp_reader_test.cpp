#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "base/error.hpp"
#include "bmp_builder.hpp"
#include "pixel_map.hpp"
#include "raster/bmp.hpp"
#include "support/file_like_source.hpp"

namespace felmo {
namespace {

using testing::BmpBuilder;
using testing::FileLikeSource;
using testing::Legend;
using testing::mapOf;
using testing::PixelMap;

using Bytes = std::vector<std::uint8_t>;

const Legend kLegend = {{'r', colors::red},
                        {'g', rgb(0, 255, 0)},
                        {'b', rgb(0, 0, 255)},
                        {'w', colors::white},
                        {'k', colors::black}};
// Indices 0..4 of the colour tables below.
const std::vector<Color> kPalette = {colors::red, rgb(0, 255, 0), rgb(0, 0, 255), colors::white,
                                     colors::black};
// Every case decodes to this 3 x 2 picture (odd width, so rows need padding).
const PixelMap kPicture = {
    "rgb",
    "wkr",
};

Bytes le16(std::uint16_t value) {
    return {std::uint8_t(value), std::uint8_t(value >> 8)};
}
Bytes le32(std::uint32_t value) {
    return {std::uint8_t(value), std::uint8_t(value >> 8), std::uint8_t(value >> 16),
            std::uint8_t(value >> 24)};
}
Bytes join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

struct DepthCase {
    const char* name;
    BmpBuilder file;
    PixelFormat format;
};

BmpBuilder indexed(std::uint32_t headerSize, std::uint16_t bits, std::vector<Bytes> rows) {
    BmpBuilder file;
    file.headerSize = headerSize;
    file.width = 3;
    file.height = 2;
    file.bitsPerPixel = bits;
    file.palette = kPalette;
    file.colorsUsed = headerSize == 12 ? 0 : 5;
    file.rows = std::move(rows);
    return file;
}

BmpBuilder direct(std::uint32_t headerSize, std::uint16_t bits, std::vector<Bytes> rows,
                  std::optional<std::array<std::uint32_t, 3>> masks = std::nullopt,
                  std::uint32_t compression = 0) {
    BmpBuilder file;
    file.headerSize = headerSize;
    file.width = 3;
    file.height = 2;
    file.bitsPerPixel = bits;
    file.masks = masks;
    file.compression = masks ? 3 : compression;
    file.rows = std::move(rows);
    return file;
}

BmpBuilder topDown(BmpBuilder file) {
    file.height = -file.height;
    if (file.rows.size() == 2)
        std::swap(file.rows[0], file.rows[1]);
    return file;
}

BmpBuilder compressed(std::uint32_t compression, Bytes data) {
    BmpBuilder file = indexed(40, compression == 1 ? 8 : 4, {});
    file.compression = compression;
    file.pixelData = std::move(data);
    return file;
}

// Rows are given bottom row first, as the files store them.
const DepthCase kDepthCases[] = {
    {"Palette4Bit", indexed(40, 4, {{0x34, 0x00}, {0x01, 0x20}}), PixelFormat::Bits4},
    {"Palette8Bit", indexed(40, 8, {{3, 4, 0}, {0, 1, 2}}), PixelFormat::Bits8},
    {"Palette8BitCoreHeader", indexed(12, 8, {{3, 4, 0}, {0, 1, 2}}), PixelFormat::Bits8},
    {"Palette8BitV5Header", indexed(124, 8, {{3, 4, 0}, {0, 1, 2}}), PixelFormat::Bits8},
    {"Palette8BitTopDown", topDown(indexed(40, 8, {{3, 4, 0}, {0, 1, 2}})), PixelFormat::Bits8},
    {"Rgb555",
     direct(40, 16,
            {join({le16(0x7FFF), le16(0), le16(0x7C00)}),
             join({le16(0x7C00), le16(0x03E0), le16(0x001F)})}),
     PixelFormat::Bits16},
    {"Rgb565BitFields",
     direct(40, 16,
            {join({le16(0xFFFF), le16(0), le16(0xF800)}),
             join({le16(0xF800), le16(0x07E0), le16(0x001F)})},
            std::array<std::uint32_t, 3>{0xF800, 0x07E0, 0x001F}),
     PixelFormat::Bits16},
    {"Rgb565V4Header",
     direct(108, 16,
            {join({le16(0xFFFF), le16(0), le16(0xF800)}),
             join({le16(0xF800), le16(0x07E0), le16(0x001F)})},
            std::array<std::uint32_t, 3>{0xF800, 0x07E0, 0x001F}),
     PixelFormat::Bits16},
    {"Rgb565V2Header",
     direct(52, 16,
            {join({le16(0xFFFF), le16(0), le16(0xF800)}),
             join({le16(0xF800), le16(0x07E0), le16(0x001F)})},
            std::array<std::uint32_t, 3>{0xF800, 0x07E0, 0x001F}),
     PixelFormat::Bits16},
    {"Bgr24",
     direct(40, 24, {{255, 255, 255, 0, 0, 0, 0, 0, 255}, {0, 0, 255, 0, 255, 0, 255, 0, 0}}),
     PixelFormat::Bits24},
    {"Bgr24CoreHeader",
     direct(12, 24, {{255, 255, 255, 0, 0, 0, 0, 0, 255}, {0, 0, 255, 0, 255, 0, 255, 0, 0}}),
     PixelFormat::Bits24},
    {"Bgr24TopDown",
     topDown(
         direct(40, 24, {{255, 255, 255, 0, 0, 0, 0, 0, 255}, {0, 0, 255, 0, 255, 0, 255, 0, 0}})),
     PixelFormat::Bits24},
    {"Bgrx32",
     direct(40, 32,
            {join({le32(0xFFFFFF), le32(0), le32(0xFF0000)}),
             join({le32(0xFF0000), le32(0x00FF00), le32(0x0000FF)})}),
     PixelFormat::Bits32},
    // Red in the lowest byte: the masks, not the byte order, decide.
    {"Rgbx32BitFieldsV3Header",
     direct(56, 32,
            {join({le32(0xFFFFFF), le32(0), le32(0x0000FF)}),
             join({le32(0x0000FF), le32(0x00FF00), le32(0xFF0000)})},
            std::array<std::uint32_t, 3>{0x0000FF, 0x00FF00, 0xFF0000}),
     PixelFormat::Bits32},
    {"Rle8",
     compressed(1, {0, 3, 3, 4, 0, 0,  // bottom row: three literal pixels, padded
                    0, 0,              // end of row
                    1, 0, 1, 1, 1, 2,  // top row: runs
                    0, 1}),            // end of picture
     PixelFormat::Bits8},
    {"Rle4",
     compressed(2, {0, 3, 0x34, 0x00,  // bottom row: three literal pixels
                    0, 0,              // end of row
                    2, 0x01, 1, 0x20,  // top row: a run of 0 1, then a 2
                    0, 1}),
     PixelFormat::Bits4},
};

void PrintTo(const DepthCase& depthCase, std::ostream* out) {
    *out << depthCase.name;
}

class BmpDepth : public ::testing::TestWithParam<DepthCase> {};

TEST_P(BmpDepth, DecodesToThePictureAndKeepsTheFormat) {
    const Bytes bytes = GetParam().file.build();
    FileLikeSource file(bytes);
    for (const Raster& raster : {decodeBmp(bytes), decodeBmp(file)}) {
        EXPECT_EQ(mapOf(raster, kLegend), kPicture);
        EXPECT_EQ(raster.format(), GetParam().format);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryDepth, BmpDepth, ::testing::ValuesIn(kDepthCases),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(BmpReader, OneBitRowsUseTheHighBitFirst) {
    BmpBuilder file = indexed(40, 1, {{0b11000000}, {0b01000000}});
    file.palette = {colors::black, colors::white};
    file.colorsUsed = 2;
    const Raster raster = decodeBmp(file.build());
    EXPECT_EQ(mapOf(raster, kLegend), (PixelMap{"kwk", "wwk"}));
    EXPECT_EQ(raster.format(), PixelFormat::Bits1);
    EXPECT_EQ(raster.palette(), (std::vector<Color>{colors::black, colors::white}));
}

TEST(BmpReader, RunLengthDeltaSkipsPixelsWhichKeepColourZero) {
    BmpBuilder file = compressed(1, {0, 2, 1, 1,  // move right 1, up 1: into the top row
                                     1, 2,        // one pixel of colour 2
                                     0, 1});
    file.width = 4;
    EXPECT_EQ(mapOf(decodeBmp(file.build()), kLegend), (PixelMap{"rbrr", "rrrr"}));
}

TEST(BmpReader, FiveBitChannelsWidenWithRounding) {
    BmpBuilder file = direct(40, 16, {join({le16(16 << 10 | 1 << 5 | 30), le16(0), le16(0)})});
    file.height = 1;
    const Raster raster = decodeBmp(file.build());
    EXPECT_EQ(raster.pixel(0, 0), rgb(132, 8, 247));
}

TEST(BmpReader, ColourTableShorterThanTheDepthFollowsTheDataOffset) {
    // A core-header file states no colour count; its table of two ends where the pixels begin.
    BmpBuilder file = indexed(12, 8, {{1, 0, 1}});
    file.height = 1;
    file.palette = {colors::black, colors::white};
    const Raster raster = decodeBmp(file.build());
    EXPECT_EQ(mapOf(raster, kLegend), (PixelMap{"wkw"}));
    EXPECT_EQ(raster.palette().size(), 2u);
}

// Found by fuzzing: a picture without columns has rows of no bytes.
TEST(BmpReader, PictureOfZeroWidthIsEmpty) {
    for (const std::uint16_t bits : {std::uint16_t{8}, std::uint16_t{24}, std::uint16_t{32}}) {
        BmpBuilder file = direct(40, bits, {{}, {}, {}});
        file.width = 0;
        file.height = 3;
        file.palette = {colors::black};
        const Raster raster = decodeBmp(file.build());
        EXPECT_TRUE(raster.empty());
        EXPECT_EQ(raster.height(), 3);
    }
}

TEST(BmpReader, KeepsTheResolutionFields) {
    BmpBuilder file = direct(40, 24, {{0, 0, 0, 0, 0, 0, 0, 0, 0}});
    file.height = 1;
    Bytes bytes = file.build();
    bytes[38] = 0x13;  // 2835 pixels per metre = 72 dpi
    bytes[39] = 0x0B;
    bytes[42] = 0x13;
    bytes[43] = 0x0B;
    const Raster raster = decodeBmp(bytes);
    EXPECT_EQ(raster.pixelsPerMetreX(), 2835);
    EXPECT_EQ(raster.pixelsPerMetreY(), 2835);
}

struct HostileCase {
    const char* name;
    Bytes bytes;
    const char* problem;  // part of the message
};

Bytes withField32(Bytes bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    return bytes;
}
Bytes truncated(Bytes bytes, std::size_t size) {
    bytes.resize(size);
    return bytes;
}

const Bytes kGood24 =
    direct(40, 24, {{1, 2, 3, 4, 5, 6, 7, 8, 9}, {1, 2, 3, 4, 5, 6, 7, 8, 9}}).build();
const Bytes kGood8 = indexed(40, 8, {{3, 4, 0}, {0, 1, 2}}).build();

BmpBuilder indexOutOfRange() {
    BmpBuilder file = indexed(40, 8, {{0, 1, 5}});
    file.height = 1;
    file.palette = {colors::black, colors::white};
    file.colorsUsed = 2;
    return file;
}

const HostileCase kHostileCases[] = {
    {"Empty", {}, "too short"},
    {"TenBytes", truncated(kGood24, 10), "too short"},
    {"NotBm", withField32(kGood24, 0, 0x464E4950), "signature"},
    {"HeaderTruncated", truncated(kGood24, 30), "header is truncated"},
    {"HeaderSize41", withField32(kGood24, 14, 41), "header size 41"},
    {"HeaderSizeHuge", withField32(kGood24, 14, 0xFFFFFFF0), "header size"},
    {"WidthOneBillion", withField32(kGood24, 18, 1000000000), "larger than"},
    {"NegativeWidth", withField32(kGood24, 18, static_cast<std::uint32_t>(-3)), "negative"},
    {"HeightMostNegative", withField32(kGood24, 22, 0x80000000u), "larger than"},
    {"TooManyPixelsInAll", withField32(withField32(kGood24, 18, 16384), 22, 16384), "larger than"},
    {"WidthOneBeyondLimit", withField32(kGood24, 18, 8193), "8193 x 2 pixels, larger than"},
    {"TallTopDownBeyondLimit", withField32(kGood24, 22, static_cast<std::uint32_t>(-8193)),
     "larger than"},
    {"OffsetPastEnd", withField32(kGood24, 10, 0x7FFFFFFF), "beyond the end"},
    {"PixelDataTruncated", truncated(kGood24, kGood24.size() - 13), "pixel data is truncated"},
    {"PixelDataMissingForTallPicture", withField32(kGood24, 22, 8000), "pixel data is truncated"},
    {"BitsPerPixel7", withField32(kGood24, 28, 7 | 1 << 16), "7 bits per pixel"},
    {"BitsPerPixel0", withField32(kGood24, 28, 0), "0 bits per pixel"},
    {"CompressionJpeg", withField32(kGood24, 30, 4), "JPEG or PNG"},
    {"CompressionUnknown", withField32(kGood24, 30, 99), "Compression type 99"},
    {"Rle8On24Bit", withField32(kGood24, 30, 1), "Run-length"},
    {"BitFieldsOn24Bit", withField32(kGood24, 30, 3), "Bit-field masks do not fit"},
    {"PaletteIndexOutOfRange", indexOutOfRange().build(), "uses colour 5"},
    {"ColourTableTruncated", truncated(withField32(kGood8, 46, 256), 80), "colour table"},
    {"MaskNotOneRun",
     direct(40, 16, {{0, 0, 0, 0, 0, 0}}, std::array<std::uint32_t, 3>{0x7C01, 0x03E0, 0x1E})
         .build(),
     "one run"},
    {"MaskBeyond16Bits",
     direct(40, 16, {{0, 0, 0, 0, 0, 0}}, std::array<std::uint32_t, 3>{0x7C0000, 0x03E0, 0x1F})
         .build(),
     "does not fit a 16-bit"},
    {"MasksTruncated",
     truncated(direct(40, 16, {{}}, std::array<std::uint32_t, 3>{1, 2, 4}).build(), 60),
     "masks are truncated"},
    {"Rle8WithoutEnd", compressed(1, {3, 0, 0, 0}).build(), "compressed pixel data is truncated"},
    {"Rle8LiteralPastEnd", compressed(1, {0, 200, 1, 2}).build(),
     "compressed pixel data is truncated"},
    {"Rle8IndexOutOfRange", compressed(1, {2, 9, 0, 1}).build(), "uses colour 9"},
    {"Rle8TopDown", topDown(compressed(1, {0, 1})).build(), "top-down"},
};

void PrintTo(const HostileCase& hostileCase, std::ostream* out) {
    *out << hostileCase.name;
}

class BmpHostile : public ::testing::TestWithParam<HostileCase> {};

TEST_P(BmpHostile, IsRefusedWithAClearMessage) {
    // In memory and from a file alike: every size is checked against the file's own.
    for (const bool fromFile : {false, true}) {
        try {
            FileLikeSource file(GetParam().bytes);
            fromFile ? decodeBmp(file) : decodeBmp(GetParam().bytes);
            FAIL() << "decoded without complaint";
        } catch (const Error& error) {
            const std::string message = error.what();
            EXPECT_EQ(message.rfind("Invalid BMP data. ", 0), 0u) << message;
            EXPECT_NE(message.find(GetParam().problem), std::string::npos) << message;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(NamedFiles, BmpHostile, ::testing::ValuesIn(kHostileCases),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

// Large pictures of noise at every depth and compression, so that rows, runs and literal blocks
// fall across the pieces a file is read in.
struct LargeCase {
    const char* name;
    std::uint16_t bits;
    std::uint32_t compression;
    bool topDown;
};

class Noise {
  public:
    explicit Noise(std::uint32_t seed) : state_(seed) {}
    std::uint8_t next() {
        state_ = state_ * 1664525u + 1013904223u;
        return static_cast<std::uint8_t>(state_ >> 24);
    }
    unsigned below(unsigned limit) { return (next() | next() << 8) % limit; }

  private:
    std::uint32_t state_;
};

// RLE rows of runs and literal blocks (each at most what is left of the row), each row ended.
Bytes runLengthNoise(int width, int height, bool fourBit, Noise& noise) {
    Bytes data;
    for (int row = 0; row < height; ++row) {
        for (int x = 0; x < width;) {
            const unsigned left = static_cast<unsigned>(std::min(width - x, 255));
            if (left >= 3 && noise.below(2) == 0) {
                const unsigned count = 3 + noise.below(left - 2);
                const std::size_t bytes = fourBit ? (count + 1) / 2 : count;
                data.insert(data.end(), {0, static_cast<std::uint8_t>(count)});
                for (std::size_t i = 0; i < bytes; ++i)
                    data.push_back(
                        static_cast<std::uint8_t>(noise.next() & (fourBit ? 0xFF : 0x7F)));
                if (bytes % 2 != 0)
                    data.push_back(0);
                x += static_cast<int>(count);
            } else {
                const unsigned count = 1 + noise.below(left);
                data.insert(data.end(), {static_cast<std::uint8_t>(count),
                                         static_cast<std::uint8_t>(noise.next() & 0x7F)});
                x += static_cast<int>(count);
            }
        }
        data.insert(data.end(), {0, 0});
    }
    data.insert(data.end(), {0, 1});
    return data;
}

BmpBuilder largeNoise(const LargeCase& kind) {
    constexpr int kWidth = 701, kHeight = 1203;
    Noise noise(kind.bits * 7 + kind.compression);
    BmpBuilder file;
    file.width = kWidth;
    file.height = kind.topDown ? -kHeight : kHeight;
    file.bitsPerPixel = kind.bits;
    file.compression = kind.compression;
    if (kind.bits <= 8)
        for (int i = 0; i < (1 << kind.bits) && i < 128; ++i)
            file.palette.push_back(rgb(noise.next(), noise.next(), noise.next()));
    if (kind.compression != 0) {
        file.pixelData = runLengthNoise(kWidth, kHeight, kind.bits == 4, noise);
        return file;
    }
    const std::size_t rowBytes = (std::size_t{kWidth} * kind.bits + 7) / 8;
    for (int row = 0; row < kHeight; ++row) {
        Bytes bytes(rowBytes);
        for (std::uint8_t& byte : bytes)
            byte = noise.next() & (kind.bits == 8 ? 0x7F : 0xFF);
        file.rows.push_back(std::move(bytes));
    }
    return file;
}

const LargeCase kLargeCases[] = {
    {"OneBit", 1, 0, false},         {"FourBit", 4, 0, false},
    {"EightBit", 8, 0, false},       {"SixteenBit", 16, 0, false},
    {"TwentyFourBit", 24, 0, false}, {"TwentyFourBitTopDown", 24, 0, true},
    {"ThirtyTwoBit", 32, 0, false},  {"Rle8", 8, 1, false},
    {"Rle4", 4, 2, false},
};

void PrintTo(const LargeCase& largeCase, std::ostream* out) {
    *out << largeCase.name;
}

class BmpFromAFile : public ::testing::TestWithParam<LargeCase> {};

TEST_P(BmpFromAFile, IsReadAPieceAtATimeIntoThePictureItsBytesHold) {
    const Bytes bytes = largeNoise(GetParam()).build();
    FileLikeSource file(bytes);
    const Raster fromMemory = decodeBmp(bytes);
    const Raster fromFile = decodeBmp(file);
    ASSERT_EQ(fromFile.width(), fromMemory.width());
    ASSERT_EQ(fromFile.height(), fromMemory.height());
    EXPECT_EQ(fromFile.format(), fromMemory.format());
    for (int y = 0; y < fromMemory.height(); ++y)
        ASSERT_EQ(std::memcmp(fromFile.storageRow(y), fromMemory.storageRow(y),
                              static_cast<std::size_t>(fromMemory.width()) * 3),
                  0)
            << "row " << y;
    EXPECT_GT(bytes.size(), 96u * 1024);
    EXPECT_LE(file.largestRead(), 64u * 1024);
}

INSTANTIATE_TEST_SUITE_P(EveryLayout, BmpFromAFile, ::testing::ValuesIn(kLargeCases),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

}  // namespace
}  // namespace felmo
