#include <gtest/gtest.h>

#include "base/error.hpp"
#include "pixel_map.hpp"
#include "raster/canvas.hpp"

namespace felmo {
namespace {

using testing::positionColor;
using testing::positionRaster;

TEST(Raster, NewRasterIsWhite24BitWithDefaultState) {
    const Raster raster(3, 2);
    EXPECT_TRUE(raster.is24Bit());
    EXPECT_FALSE(raster.transparent());
    EXPECT_EQ(raster.pixelsPerMetreX(), 0);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(raster.pixel(x, y), colors::white);
    EXPECT_TRUE(Raster().empty());
    EXPECT_TRUE(Raster(0, 4).empty());
}

TEST(Raster, SizesBeyondTheLimitsAreRefusedBeforeAllocating) {
    EXPECT_THROW(Raster(-1, 5), Error);
    EXPECT_THROW(Raster(5, -1), Error);
    EXPECT_THROW(Raster(Raster::kMaxDimension + 1, 1), Error);
    EXPECT_THROW(Raster(Raster::kMaxDimension, Raster::kMaxDimension), Error);
    EXPECT_NO_THROW(Raster(2112, 208));
}

TEST(Raster, CopyIsIndependentWithFreshDrawingState) {
    Raster original = positionRaster(4, 3);
    original.setSourceFormat(PixelFormat::Bits16);
    original.state().penColor = colors::red;
    original.state().penX = 7;
    Raster copy(original);
    EXPECT_EQ(copy.format(), PixelFormat::Bits16);
    EXPECT_EQ(copy.state().penColor, colors::black);
    EXPECT_EQ(copy.state().penX, 0);
    EXPECT_EQ(copy.pixel(3, 2), original.pixel(3, 2));
    copy.setPixel(0, 0, colors::black);
    EXPECT_EQ(original.pixel(0, 0), positionColor(0, 0));

    Raster assigned(1, 1);
    assigned.state().brushStyle = BrushStyle::Clear;
    assigned = original;
    EXPECT_EQ(assigned.width(), 4);
    EXPECT_EQ(assigned.state().brushStyle, BrushStyle::Solid);
}

TEST(Raster, RowAccessIsInPlaceBlueGreenRed) {
    Raster raster(3, 2);
    std::uint8_t* row = raster.row(1);
    row[3] = 10;  // pixel (1, 1): blue, green, red
    row[4] = 20;
    row[5] = 30;
    EXPECT_EQ(raster.pixel(1, 1), rgb(30, 20, 10));
    raster.setPixel(2, 0, rgb(1, 2, 3));
    const Raster& constant = raster;
    EXPECT_EQ(constant.row(0)[6], 3);
    EXPECT_EQ(constant.row(0)[8], 1);
    EXPECT_THROW(raster.row(2), Error);
    EXPECT_THROW(raster.row(-1), Error);
}

TEST(Raster, RowAccessNeedsA24BitRasterAndConversionKeepsTheColours) {
    Raster raster = positionRaster(5, 2);
    raster.setSourceFormat(PixelFormat::Bits32);
    EXPECT_FALSE(raster.is24Bit());
    EXPECT_THROW(raster.row(0), Error);
    raster.convertTo24Bit();
    EXPECT_TRUE(raster.is24Bit());
    EXPECT_EQ(raster.row(1)[0], blueOf(positionColor(0, 1)));
    EXPECT_EQ(raster.pixel(4, 1), positionColor(4, 1));
}

struct ReductionCase {
    const char* name;
    PixelFormat format;
    std::vector<Color> palette;
    std::optional<BitFieldMasks> masks;
    Color painted;
    Color stored;
};

void PrintTo(const ReductionCase& reduction, std::ostream* out) {
    *out << reduction.name;
}

const ReductionCase kReductions[] = {
    // 130 on 5 bits is level 16 of 31, which reads back as 132.
    {"Rgb555", PixelFormat::Bits16, {}, std::nullopt, rgb(130, 255, 3), rgb(132, 255, 0)},
    {"Rgb565",
     PixelFormat::Bits16,
     {},
     BitFieldMasks{0xF800, 0x07E0, 0x001F},
     rgb(130, 130, 130),
     rgb(132, 130, 132)},
    {"Rgb32IsExact", PixelFormat::Bits32, {}, std::nullopt, rgb(1, 2, 3), rgb(1, 2, 3)},
    {"NearestPaletteEntry",
     PixelFormat::Bits8,
     {colors::black, rgb(100, 100, 100), colors::white},
     std::nullopt,
     rgb(140, 120, 90),
     rgb(100, 100, 100)},
    {"TieGoesToTheFirstEntry",
     PixelFormat::Bits4,
     {colors::red, rgb(0, 0, 255)},
     std::nullopt,
     colors::magenta,
     colors::red},
    {"Rgb24", PixelFormat::Bits24, {}, std::nullopt, rgb(1, 2, 3), rgb(1, 2, 3)},
};

class FormatReduction : public ::testing::TestWithParam<ReductionCase> {};

TEST_P(FormatReduction, PaintedPixelsReadBackAsTheFormatStoresThem) {
    const ReductionCase& reduction = GetParam();
    Raster raster(2, 1, colors::black);
    if (reduction.masks)
        raster.setSourceBitFields(reduction.format, *reduction.masks);
    else
        raster.setSourceFormat(reduction.format, reduction.palette);
    raster.setPixel(1, 0, reduction.painted);
    EXPECT_EQ(raster.pixel(1, 0), reduction.stored);
    EXPECT_EQ(raster.reduceToFormat(reduction.stored), reduction.stored);  // already held
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, FormatReduction, ::testing::ValuesIn(kReductions),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(Raster, AutomaticTransparentColourIsTheBottomLeftPixelAtTheTime) {
    Raster raster(2, 3);
    raster.setPixel(0, 2, colors::red);
    EXPECT_EQ(raster.transparentMode(), TransparentMode::Automatic);
    EXPECT_EQ(raster.effectiveTransparentColor(), colors::red);
    raster.setPixel(0, 2, colors::magenta);
    EXPECT_EQ(raster.effectiveTransparentColor(), colors::magenta);
    raster.setTransparentColor(colors::black);
    EXPECT_EQ(raster.effectiveTransparentColor(), colors::black);
    raster.setTransparentAutomatic();
    EXPECT_EQ(raster.effectiveTransparentColor(), colors::magenta);
}

}  // namespace
}  // namespace felmo
