// The colour-depth reductions: the fixed palettes, the stored value of a colour in every mode,
// the way back, and the byte layout of packed rows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mbm/color_depth.hpp"

namespace felmo {
namespace {

TEST(Palette256, HasTheFormatsFixedEntries) {
    EXPECT_EQ(palette256Color(0), rgb(0, 0, 0));
    EXPECT_EQ(palette256Color(5), rgb(255, 0, 0));
    EXPECT_EQ(palette256Color(6), rgb(0, 51, 0));
    EXPECT_EQ(palette256Color(36), rgb(0, 0, 51));
    EXPECT_EQ(palette256Color(107), rgb(255, 255, 102));
    EXPECT_EQ(palette256Color(108), rgb(17, 17, 17));
    EXPECT_EQ(palette256Color(113), rgb(17, 0, 0));   // red, low levels
    EXPECT_EQ(palette256Color(127), rgb(0, 0, 119));  // blue, low levels
    EXPECT_EQ(palette256Color(128), rgb(0, 0, 136));  // blue, high levels
    EXPECT_EQ(palette256Color(142), rgb(238, 0, 0));  // red, high levels
    EXPECT_EQ(palette256Color(145), rgb(187, 187, 187));
    EXPECT_EQ(palette256Color(148), rgb(0, 0, 153));
    EXPECT_EQ(palette256Color(212), rgb(204, 204, 204));
    EXPECT_EQ(palette256Color(255), rgb(255, 255, 255));
}

struct Reduction {
    const char* name;
    BitmapMode mode;
    Color color;
    std::uint32_t stored;
    Color readBack;
};

class ColorReduction : public testing::TestWithParam<Reduction> {};

TEST_P(ColorReduction, StoresAndReadsBack) {
    const Reduction& r = GetParam();
    EXPECT_EQ(reduceColor(r.color, r.mode), r.stored);
    EXPECT_EQ(expandValue(r.stored, r.mode), r.readBack);
}

constexpr BitmapMode kGrey1{1, ColorKind::Grey}, kGrey2{2, ColorKind::Grey},
    kGrey4{4, ColorKind::Grey}, kGrey8{8, ColorKind::Grey}, kColor4{4, ColorKind::Color},
    kColor8{8, ColorKind::Color}, kColor12{12, ColorKind::Color}, kColor16{16, ColorKind::Color},
    kColor24{24, ColorKind::Color}, kColor32{32, ColorKind::Color};

INSTANTIATE_TEST_SUITE_P(
    Modes, ColorReduction,
    testing::Values(
        // (2R + 5G + B) / 8 = (2*200 + 5*100 + 50) / 8 = 118
        Reduction{"grey8", kGrey8, rgb(200, 100, 50), 118, rgb(118, 118, 118)},
        Reduction{"grey4", kGrey4, rgb(200, 100, 50), 7, rgb(119, 119, 119)},
        Reduction{"grey2", kGrey2, rgb(200, 100, 50), 1, rgb(85, 85, 85)},
        Reduction{"grey1_dark", kGrey1, rgb(200, 100, 50), 0, rgb(0, 0, 0)},
        Reduction{"grey1_light", kGrey1, rgb(255, 255, 0), 1, rgb(255, 255, 255)},
        Reduction{"grey8_mid_grey_adjusted", kGrey8, rgb(128, 128, 128), 127, rgb(127, 127, 127)},
        Reduction{"grey1_mid_grey_adjusted", kGrey1, rgb(128, 128, 128), 0, rgb(0, 0, 0)},
        Reduction{"colour8_red", kColor8, rgb(240, 16, 16), 5, rgb(255, 0, 0)},
        Reduction{"colour8_orange", kColor8, rgb(200, 100, 50), 52, rgb(204, 102, 51)},
        Reduction{"colour8_green", kColor8, rgb(30, 200, 90), 96, rgb(0, 204, 102)},
        Reduction{"colour8_128_grey", kColor8, rgb(128, 128, 128), 112, rgb(119, 119, 119)},
        Reduction{"colour8_192_grey", kColor8, rgb(192, 192, 192), 145, rgb(187, 187, 187)},
        Reduction{"colour4_red", kColor4, rgb(250, 10, 10), 5, rgb(255, 0, 0)},
        Reduction{"colour4_dark_blue", kColor4, rgb(0, 0, 120), 12, rgb(0, 0, 128)},
        Reduction{"colour12", kColor12, rgb(0xAB, 0xCD, 0xEF), 0xACE, rgb(0xAA, 0xCC, 0xEE)},
        Reduction{"colour16", kColor16, rgb(0xFF, 0x80, 0x08), 0xFC01, rgb(255, 129, 8)},
        Reduction{"colour16_192_grey", kColor16, rgb(192, 192, 192), 0xBDD7, rgb(189, 186, 189)},
        Reduction{"colour24_unchanged", kColor24, rgb(1, 2, 3), rgb(1, 2, 3), rgb(1, 2, 3)},
        Reduction{"colour24_128_grey", kColor24, rgb(128, 128, 128), rgb(127, 127, 127),
                  rgb(127, 127, 127)},
        Reduction{"colour32_192_grey", kColor32, rgb(192, 192, 192), rgb(187, 187, 187),
                  rgb(187, 187, 187)},
        Reduction{"colour24_near_grey_kept", kColor24, rgb(128, 128, 129), rgb(128, 128, 129),
                  rgb(128, 128, 129)}),
    [](const testing::TestParamInfo<Reduction>& testCase) {
        return std::string(testCase.param.name);
    });

// A 5 x 2 raster: row 0 white, black, white, white, black; row 1 all black.
Raster fiveByTwo() {
    Raster raster(5, 2, colors::black);
    for (int x : {0, 2, 3})
        raster.setPixel(x, 0, colors::white);
    return raster;
}

// Bytes written as hex pairs; spaces are ignored.
std::vector<std::uint8_t> hex(const std::string& text) {
    std::vector<std::uint8_t> bytes;
    std::string digits;
    for (char c : text)
        if (c != ' ')
            digits += c;
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    return bytes;
}

struct Layout {
    const char* name;
    BitmapMode mode;
    const char* bytes;  // hex, one row after the other
};

class PackedLayout : public testing::TestWithParam<Layout> {};

TEST_P(PackedLayout, PacksLowBitsFirstAndPadsWithFF) {
    std::vector<std::uint8_t> out;
    packPixels(fiveByTwo(), GetParam().mode, out);
    EXPECT_EQ(out, hex(GetParam().bytes));
    Raster back(5, 2, colors::magenta);
    unpackPixels(out, GetParam().mode, back);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(back.pixel(x, y), fiveByTwo().pixel(x, y));
}

INSTANTIATE_TEST_SUITE_P(
    Modes, PackedLayout,
    testing::Values(
        // Bits 0..4 = 1, 0, 1, 1, 0; bits 5..7 are padding and stay set.
        Layout{"grey1", kGrey1, "ED FFFFFF  E0 FFFFFF"},
        Layout{"grey2", kGrey2, "F3 FC FFFF  00 FC FFFF"},
        Layout{"grey4", kGrey4, "0F FF F0 FF  00 00 F0 FF"},
        Layout{"grey8", kGrey8, "FF 00 FF FF 00 FFFFFF  00 00 00 00 00 FFFFFF"},
        Layout{"colour8", kColor8, "FF 00 FF FF 00 FFFFFF  00 00 00 00 00 FFFFFF"},
        Layout{"colour24", kColor24,
               "FFFFFF 000000 FFFFFF FFFFFF 000000 FFFFFFFFFFFFFFFFFF"
               "000000 000000 000000 000000 000000 FFFFFFFFFFFFFFFFFF"},
        Layout{"colour32", kColor32,
               "FFFFFF00 00000000 FFFFFF00 FFFFFF00 00000000"
               "00000000 00000000 00000000 00000000 00000000"}),
    [](const testing::TestParamInfo<Layout>& testCase) {
        return std::string(testCase.param.name);
    });

TEST(PackedLayout, SixteenBitWordsAreLittleEndianAndOddWidthsPadOneWord) {
    Raster raster(3, 1, rgb(255, 0, 0));
    raster.setPixel(1, 0, rgb(0, 0, 255));
    std::vector<std::uint8_t> out;
    packPixels(raster, kColor16, out);
    EXPECT_EQ(out, (std::vector<std::uint8_t>{0x00, 0xF8, 0x1F, 0x00, 0x00, 0xF8, 0xFF, 0xFF}));
    packPixels(raster, kColor12, out);
    EXPECT_EQ(out, (std::vector<std::uint8_t>{0x00, 0x0F, 0x0F, 0x00, 0x00, 0x0F, 0xFF, 0xFF}));
}

TEST(Strides, FollowTheWordAndTwelveByteRules) {
    EXPECT_EQ(strideBytes(1, 176), 24u);
    EXPECT_EQ(strideBytes(2, 176), 44u);
    EXPECT_EQ(strideBytes(4, 176), 88u);
    EXPECT_EQ(strideBytes(8, 176), 176u);
    EXPECT_EQ(strideBytes(12, 176), 352u);
    EXPECT_EQ(strideBytes(16, 176), 352u);
    EXPECT_EQ(strideBytes(24, 176), 528u);
    EXPECT_EQ(strideBytes(32, 176), 704u);
    EXPECT_EQ(strideBytes(12, 3), 8u);
    EXPECT_EQ(strideBytes(24, 1), 12u);
    EXPECT_EQ(strideBytes(24, 5), 24u);
    EXPECT_EQ(strideBytes(1, 33), 8u);
    EXPECT_EQ(strideBytes(8, 25), 28u);
}

TEST(Twips, ComeFromPixelsPerMetre) {
    EXPECT_EQ(twipsFromPixels(600, 3780), 899);
    EXPECT_EQ(twipsFromPixels(150, 3780), 224);
    EXPECT_EQ(twipsFromPixels(176, 0), 0);
    EXPECT_EQ(twipsFromPixels(176, -5), 0);
}

}  // namespace
}  // namespace felmo
