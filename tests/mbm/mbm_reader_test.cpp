// The reader on small hand-made files: it follows the trailer, and every structural fault is
// refused with a message before anything large is allocated.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/error.hpp"
#include "mbm/mbm_reader.hpp"

namespace felmo {
namespace {

using Bytes = std::vector<std::uint8_t>;

void put(Bytes& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

struct Header {
    std::uint32_t width = 2, height = 1, bits = 16, color = 1, compression = 0;
    std::int64_t bitmapSize = -1;  // -1: 40 + data size
    std::uint32_t headerLength = 40, palette = 0;
};

Bytes bitmap(const Header& h, const Bytes& data) {
    Bytes out;
    put(out, static_cast<std::uint32_t>(h.bitmapSize < 0 ? 40 + data.size() : h.bitmapSize));
    put(out, h.headerLength);
    put(out, h.width);
    put(out, h.height);
    put(out, 0);
    put(out, 0);
    put(out, h.bits);
    put(out, h.color);
    put(out, h.palette);
    put(out, h.compression);
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

// File header, the bitmaps back to back, then a trailer listing them in order.
Bytes file(const std::vector<Bytes>& bitmaps, std::uint32_t uid2 = 0x10000042) {
    Bytes out;
    put(out, 0x10000037);
    put(out, uid2);
    put(out, 0);
    put(out, 0x47396439);
    std::size_t trailer = 20;
    for (const Bytes& b : bitmaps)
        trailer += b.size();
    put(out, static_cast<std::uint32_t>(trailer));
    std::vector<std::uint32_t> offsets;
    for (const Bytes& b : bitmaps) {
        offsets.push_back(static_cast<std::uint32_t>(out.size()));
        out.insert(out.end(), b.begin(), b.end());
    }
    put(out, static_cast<std::uint32_t>(offsets.size()));
    for (std::uint32_t offset : offsets)
        put(out, offset);
    return out;
}

// Two 16-bit pixels, red then blue.
const Bytes kRedBlue = {0x00, 0xF8, 0x1F, 0x00};

TEST(Reader, DecodesAMinimalFile) {
    const auto bitmaps = decodeMbm(file({bitmap({}, kRedBlue)}));
    ASSERT_EQ(bitmaps.size(), 1u);
    EXPECT_EQ(bitmaps[0].raster.pixel(0, 0), rgb(255, 0, 0));
    EXPECT_EQ(bitmaps[0].raster.pixel(1, 0), rgb(0, 0, 255));
}

TEST(Reader, AcceptsTheAlternativeSecondUidAndAnEmptyList) {
    EXPECT_EQ(decodeMbm(file({bitmap({}, kRedBlue)}, 0x1000008A)).size(), 1u);
    EXPECT_TRUE(decodeMbm(file({})).empty());
}

TEST(Reader, FollowsTheTrailersOffsetsInItsOrder) {
    Bytes bytes = file({bitmap({}, kRedBlue),
                        bitmap({.width = 1, .bits = 24},
                               {1, 2, 3, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF})});
    // Swap the two offsets of the trailer: the 24-bit bitmap is now the first.
    const std::size_t trailer = bytes.size() - 12;
    std::swap_ranges(bytes.begin() + trailer + 4, bytes.begin() + trailer + 8,
                     bytes.begin() + trailer + 8);
    const auto bitmaps = decodeMbm(bytes);
    ASSERT_EQ(bitmaps.size(), 2u);
    EXPECT_EQ(bitmaps[0].raster.width(), 1);
    EXPECT_EQ(bitmaps[0].raster.pixel(0, 0), rgb(3, 2, 1));
    EXPECT_EQ(bitmaps[1].raster.width(), 2);
    EXPECT_EQ(decodeMbmBitmap(bytes, 1).pixel(1, 0), rgb(0, 0, 255));
    EXPECT_THROW(decodeMbmBitmap(bytes, 2), Error);
}

struct Hostile {
    const char* name;
    Bytes bytes;
    const char* problem;
};

Bytes withU32(Bytes bytes, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    return bytes;
}

const Bytes kGood = file({bitmap({}, kRedBlue)});

class HostileFile : public testing::TestWithParam<Hostile> {};

TEST_P(HostileFile, IsRefusedWithItsReason) {
    try {
        decodeMbm(GetParam().bytes);
        FAIL() << "accepted";
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find(GetParam().problem), std::string::npos)
            << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, HostileFile,
    testing::Values(
        Hostile{"empty", {}, "too short"},
        Hostile{"header_only", Bytes(kGood.begin(), kGood.begin() + 20), "too short"},
        Hostile{"wrong_uid1", withU32(kGood, 0, 0x10000038), "identifiers"},
        Hostile{"wrong_uid2", withU32(kGood, 4, 0x10000043), "identifiers"},
        Hostile{"trailer_past_end", withU32(kGood, 16, 10000), "trailer offset 10000"},
        Hostile{"trailer_inside_header", withU32(kGood, 16, 4), "trailer offset 4"},
        Hostile{"count_too_large", withU32(kGood, 64, 0x40000000), "1073741824 bitmaps"},
        Hostile{"offset_past_end", withU32(kGood, 68, 60), "lies outside"},
        Hostile{"offset_in_file_header", withU32(kGood, 68, 8), "lies outside"},
        Hostile{"bitmap_size_past_end", withU32(kGood, 20, 1000), "runs past the end"},
        Hostile{"bitmap_size_below_header", withU32(kGood, 20, 12), "bitmap size 12"},
        Hostile{"uncompressed_size_mismatch", file({bitmap({.width = 3}, kRedBlue)}),
                "does not match"},
        Hostile{"width_too_large", file({bitmap({.width = 8193}, kRedBlue)}), "8193 x 1 pixels"},
        Hostile{"height_too_large", file({bitmap({.height = 8193}, kRedBlue)}),
                "2 x 8193 pixels, larger than"},
        Hostile{"grey_twelve_bits", file({bitmap({.color = 0}, kRedBlue)}), "colour value 0"},
        Hostile{"alpha_sixteen_bits", file({bitmap({.color = 2}, kRedBlue)}), "colour value 2"},
        Hostile{"colour_two_bits", file({bitmap({.bits = 2, .color = 1}, {0, 0, 0, 0})}),
                "colour value 1"},
        Hostile{"depth_three", file({bitmap({.bits = 3}, kRedBlue)}), "3 bits per pixel"},
        Hostile{"foreign_compression", file({bitmap({.compression = 4}, kRedBlue)}),
                "compression 4 does not belong to 16 bpp colour"},
        Hostile{"compressed_too_small_for_picture",
                file({bitmap({.width = 8000, .height = 8000, .compression = 3}, {0x7F, 0, 0})}),
                "cannot hold"},
        // 385 pixels and one of padding; three runs of 128 and one pixel make only 385.
        Hostile{"compressed_stream_short",
                file({bitmap({.width = 385, .compression = 3},
                             {0x7F, 0, 0, 0x7F, 0, 0, 0x7F, 0, 0, 0xFF, 0, 0})}),
                "Bitmap 1: the compressed data ends before the picture is complete."}),
    [](const testing::TestParamInfo<Hostile>& testCase) {
        return std::string(testCase.param.name);
    });

TEST(Reader, CapsThePixelsOfAllBitmapsTogether) {
    // 300 bitmap entries pointing at one highly compressed 4096 x 4096 bitmap: 5 billion pixels.
    Bytes stream;
    for (int i = 0; i < 4096 * 4096 / 128; ++i)
        stream.insert(stream.end(), {0x7F, 0});
    Bytes bytes =
        file({bitmap({.width = 4096, .height = 4096, .bits = 8, .compression = 1}, stream)});
    bytes.resize(bytes.size() - 8);  // drop count and offset; list the one bitmap 300 times
    put(bytes, 300);
    for (int i = 0; i < 300; ++i)
        put(bytes, 20);
    EXPECT_EQ(readMbmDirectory(bytes).size(), 300u);
    try {
        decodeMbm(bytes);
        FAIL() << "accepted";
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find("too many pixels"), std::string::npos);
    }
}

}  // namespace
}  // namespace felmo
