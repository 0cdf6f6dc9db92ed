#include <gtest/gtest.h>

#include "pixel_map.hpp"
#include "raster/canvas.hpp"
#include "raster/text.hpp"

namespace felmo {
namespace {

using testing::Legend;
using testing::mapOf;
using testing::PixelMap;
using testing::positionColor;
using testing::positionRaster;
using testing::rasterFromMap;

const Color kBlue = rgb(0, 0, 255);
const Color kGreen = rgb(0, 255, 0);
const Color kYellow = rgb(255, 255, 0);
const Legend kLegend = {{'.', colors::white}, {'k', colors::black}, {'r', colors::red},
                        {'g', kGreen},        {'b', kBlue},         {'y', kYellow}};

PixelMap blank(int width, int height) {
    return PixelMap(height, std::string(width, '.'));
}

TEST(StretchDraw, TwoByTwoIntoFourByFourGivesBlocks) {
    Raster target(4, 4);
    Canvas(target).stretchDraw(Rect{0, 0, 4, 4}, rasterFromMap({"rg", "by"}, kLegend));
    EXPECT_EQ(mapOf(target, kLegend), (PixelMap{
                                          "rrgg",
                                          "rrgg",
                                          "bbyy",
                                          "bbyy",
                                      }));
}

TEST(StretchDraw, ClipsARectangleStartingAtNegativeCoordinates) {
    Raster target(4, 3);
    Canvas(target).stretchDraw(Rect{-1, -1, 3, 3}, rasterFromMap({"rg", "by"}, kLegend));
    EXPECT_EQ(mapOf(target, kLegend), (PixelMap{
                                          "rgg.",
                                          "byy.",
                                          "byy.",
                                      }));
}

TEST(StretchDraw, ShrinkingLeavesColumnsAndRowsOut) {
    Raster target(3, 2);
    Canvas(target).stretchDraw(Rect{0, 0, 2, 1}, rasterFromMap({"rgby", "kkkk"}, kLegend));
    EXPECT_EQ(mapOf(target, kLegend), (PixelMap{"rb.", "..."}));
}

TEST(StretchDraw, EmptySourceOrEmptyRectanglePaintsNothing) {
    Raster target(3, 3);
    Canvas canvas(target);
    canvas.stretchDraw(Rect{0, 0, 3, 3}, Raster());
    canvas.stretchDraw(Rect{0, 0, 3, 3}, Raster(0, 5));
    const Raster red(2, 2, colors::red);
    canvas.stretchDraw(Rect{1, 1, 1, 3}, red);
    canvas.stretchDraw(Rect{2, 2, 0, 0}, red);
    canvas.stretchDraw(Rect{5, 0, 9, 3}, red);
    EXPECT_EQ(mapOf(target, kLegend), blank(3, 3));
}

TEST(StretchDraw, LargeRectangleFarOutsideTheTargetIsClippedCheaply) {
    Raster target(2, 2);
    Canvas(target).stretchDraw(Rect{-1000000, -1000000, 1000002, 1000002},
                               rasterFromMap({"rg", "by"}, kLegend));
    EXPECT_EQ(mapOf(target, kLegend), (PixelMap{"rg", "by"}));
}

TEST(DrawAtOffset, NegativeOffsetOntoAOnePixelWideRaster) {
    Raster target(1, 208, colors::black);
    const Raster source = positionRaster(176, 208);
    Canvas(target).draw(-5, 1, source);
    EXPECT_EQ(target.pixel(0, 0), colors::black);
    for (int y = 1; y < 208; ++y)
        ASSERT_EQ(target.pixel(0, y), positionColor(5, y - 1)) << y;
}

TEST(DrawAtOffset, AutomaticTransparencyLeavesPixelsUnderTheBottomLeftColour) {
    Raster target = rasterFromMap({"rrrr", "rrrr", "rrrr"}, kLegend);
    Raster source = rasterFromMap({"bk.", ".g."}, kLegend);  // bottom-left is white
    source.setTransparent(true);
    Canvas(target).draw(1, 1, source);
    EXPECT_EQ(mapOf(target, kLegend), (PixelMap{
                                          "rrrr",
                                          "rbkr",
                                          "rrgr",
                                      }));
}

TEST(DrawAtOffset, FixedTransparentColour) {
    Raster target(3, 1);
    Raster source = rasterFromMap({"gbg"}, kLegend);
    source.setTransparentColor(kGreen);
    source.setTransparent(true);
    Canvas(target).draw(0, 0, source);
    EXPECT_EQ(mapOf(target, kLegend), (PixelMap{".b."}));
    source.setTransparent(false);
    Canvas(target).draw(0, 0, source);
    EXPECT_EQ(mapOf(target, kLegend), (PixelMap{"gbg"}));
}

TEST(DrawAtOffset, OntoItselfReadsTheOriginalPixels) {
    Raster raster = rasterFromMap({"rgby"}, kLegend);
    Canvas(raster).draw(1, 0, raster);
    EXPECT_EQ(mapOf(raster, kLegend), (PixelMap{"rrgb"}));
}

TEST(Pixels, OutsideReadsAllOnesAndWritesNothing) {
    Raster raster(176, 208, colors::red);
    Canvas canvas(raster);
    EXPECT_EQ(canvas.pixel(176, 0), 0xFFFFFFFFu);
    EXPECT_EQ(canvas.pixel(0, 208), 0xFFFFFFFFu);
    EXPECT_EQ(canvas.pixel(-1, 0), 0xFFFFFFFFu);
    EXPECT_EQ(canvas.pixel(175, 207), colors::red);
    canvas.setPixel(176, 0, kBlue);
    canvas.setPixel(-1, -1, kBlue);
    for (int y = 0; y < 208; ++y)
        for (int x = 0; x < 176; ++x)
            ASSERT_EQ(raster.pixel(x, y), colors::red);
    canvas.setPixel(3, 4, 0xAB123456);  // the top byte is no colour
    EXPECT_EQ(canvas.pixel(3, 4), 0x00123456u);
}

int countPixels(const Raster& raster, Color color) {
    int count = 0;
    for (int y = 0; y < raster.height(); ++y)
        for (int x = 0; x < raster.width(); ++x)
            count += raster.pixel(x, y) == color;
    return count;
}

TEST(Lines, VerticalLineLeavesItsEndPoint) {
    Raster raster(30, 30);
    Canvas canvas(raster);
    canvas.setPenColor(colors::black);
    canvas.moveTo(10, 5);
    canvas.lineTo(10, 18);
    EXPECT_EQ(countPixels(raster, colors::black), 13);
    for (int y = 5; y <= 17; ++y)
        EXPECT_EQ(raster.pixel(10, y), colors::black) << y;
    EXPECT_EQ(raster.pixel(10, 18), colors::white);
}

TEST(Lines, LeftwardLinePaintsFromTheStartDownToOneBeforeTheEnd) {
    Raster raster(30, 30);
    Canvas canvas(raster);
    canvas.setPenColor(colors::red);
    canvas.moveTo(21, 7);
    canvas.lineTo(10, 7);
    EXPECT_EQ(countPixels(raster, colors::red), 11);
    for (int x = 11; x <= 21; ++x)
        EXPECT_EQ(raster.pixel(x, 7), colors::red) << x;
    EXPECT_EQ(raster.pixel(10, 7), colors::white);
    EXPECT_EQ(raster.state().penX, 10);
    EXPECT_EQ(raster.state().penY, 7);
}

TEST(Lines, DiagonalsAndPolylines) {
    Raster raster(7, 4);
    Canvas canvas(raster);
    canvas.setPenColor(colors::black);
    canvas.moveTo(0, 0);
    canvas.lineTo(6, 3);  // shallow: one step down every other column
    canvas.setPenColor(colors::red);
    canvas.lineTo(6, 0);  // the corner (6, 3) was left by the first line, painted by this one
    EXPECT_EQ(mapOf(raster, kLegend), (PixelMap{
                                          "k......",
                                          ".kk...r",
                                          "...kk.r",
                                          ".....kr",
                                      }));
}

TEST(Lines, PixelsOutsideAreSkipped) {
    Raster raster(3, 3);
    Canvas canvas(raster);
    canvas.setPenColor(colors::black);
    canvas.moveTo(-2, -2);
    canvas.lineTo(5, 5);
    EXPECT_EQ(mapOf(raster, kLegend), (PixelMap{"k..", ".k.", "..k"}));
    canvas.moveTo(-100, 1);
    canvas.lineTo(-50, 1);
    EXPECT_EQ(countPixels(raster, colors::black), 3);
}

TEST(Ellipse, OutlineWithPenInsideWithBrush) {
    Raster raster(10, 8);
    Canvas canvas(raster);
    canvas.setPenColor(colors::black);
    canvas.setBrushColor(colors::red);
    canvas.ellipse(1, 1, 9, 7);
    EXPECT_EQ(mapOf(raster, kLegend), (PixelMap{
                                          "..........",
                                          "...kkkk...",
                                          "..krrrrk..",
                                          ".krrrrrrk.",
                                          ".krrrrrrk.",
                                          "..krrrrk..",
                                          "...kkkk...",
                                          "..........",
                                      }));
    canvas.setBrushStyle(BrushStyle::Clear);
    canvas.setPenColor(kBlue);
    canvas.ellipse(9, 7, 1, 1);  // corners in either order
    EXPECT_EQ(raster.pixel(4, 3), colors::red);
    EXPECT_EQ(raster.pixel(1, 3), kBlue);
}

// For every box size, the outline touches all four sides of the box and nothing outside it, and
// a four-neighbour fill from outside never reaches the inside.
TEST(Ellipse, OutlineIsClosedAgainstAFourNeighbourFillForEverySize) {
    for (int width = 1; width <= 24; ++width) {
        for (int height = 1; height <= 24; ++height) {
            Raster filled(width + 2, height + 2);
            Canvas fillCanvas(filled);
            fillCanvas.setPenColor(colors::black);
            fillCanvas.setBrushColor(colors::red);
            fillCanvas.ellipse(1, 1, width + 1, height + 1);

            Raster outline(width + 2, height + 2);
            Canvas canvas(outline);
            canvas.setPenColor(colors::black);
            canvas.setBrushStyle(BrushStyle::Clear);
            canvas.ellipse(1, 1, width + 1, height + 1);
            canvas.setBrushColor(kBlue);
            canvas.floodFillBorder(0, 0, colors::black);

            bool top = false, bottom = false, left = false, right = false;
            for (int y = 0; y < height + 2; ++y) {
                for (int x = 0; x < width + 2; ++x) {
                    const Color shape = filled.pixel(x, y);
                    const bool inBox = x >= 1 && y >= 1 && x <= width && y <= height;
                    ASSERT_TRUE(inBox || shape == colors::white) << width << "x" << height;
                    ASSERT_EQ(outline.pixel(x, y) == colors::black, shape == colors::black);
                    if (shape == colors::red) {
                        ASSERT_EQ(outline.pixel(x, y), colors::white)
                            << "fill leaked in at " << x << "," << y << " of " << width << "x"
                            << height;
                    }
                    if (shape == colors::black) {
                        top |= y == 1;
                        bottom |= y == height;
                        left |= x == 1;
                        right |= x == width;
                    }
                }
            }
            EXPECT_TRUE(top && bottom && left && right) << width << "x" << height;
        }
    }
}

TEST(Ellipse, ClippedWhenLargerThanTheRaster) {
    Raster raster(4, 4);
    Canvas canvas(raster);
    canvas.setPenColor(colors::black);
    canvas.setBrushColor(colors::red);
    canvas.ellipse(-100, -100, 104, 104);
    EXPECT_EQ(mapOf(raster, kLegend), (PixelMap{"rrrr", "rrrr", "rrrr", "rrrr"}));
    canvas.ellipse(2, -1, 2, 5);  // no width: nothing
    EXPECT_EQ(countPixels(raster, colors::black), 0);
}

TEST(FloodFill, StopsAtBorderColourAndDoesNotLeakThroughDiagonalGaps) {
    Raster raster = rasterFromMap(
        {
            ".........",
            "....k....",
            "...k.k...",
            "..k...k..",
            "...k.k...",
            "....k...g",
            ".........",
        },
        kLegend);
    Canvas canvas(raster);
    canvas.setBrushColor(kBlue);
    canvas.floodFillBorder(4, 3, colors::black);
    EXPECT_EQ(mapOf(raster, kLegend), (PixelMap{
                                          ".........",
                                          "....k....",
                                          "...kbk...",
                                          "..kbbbk..",
                                          "...kbk...",
                                          "....k...g",
                                          ".........",
                                      }));
    // The outside, other colours included, is one region.
    canvas.setBrushColor(kYellow);
    canvas.floodFillBorder(0, 0, colors::black);
    EXPECT_EQ(mapOf(raster, kLegend), (PixelMap{
                                          "yyyyyyyyy",
                                          "yyyykyyyy",
                                          "yyykbkyyy",
                                          "yykbbbkyy",
                                          "yyykbkyyy",
                                          "yyyykyyyy",
                                          "yyyyyyyyy",
                                      }));
}

TEST(FloodFill, SeedOnTheBorderColourOrOutsidePaintsNothing) {
    Raster raster = rasterFromMap({".k.", "kkk", "..."}, kLegend);
    Canvas canvas(raster);
    canvas.setBrushColor(colors::red);
    canvas.floodFillBorder(1, 0, colors::black);
    canvas.floodFillBorder(-1, 0, colors::black);
    canvas.floodFillBorder(3, 2, colors::black);
    EXPECT_EQ(mapOf(raster, kLegend), (PixelMap{".k.", "kkk", "..."}));
}

TEST(FloodFill, BrushOfTheColourAlreadyThereStillEnds) {
    Raster raster = rasterFromMap({"rr.", "rkr", "..."}, kLegend);
    Canvas canvas(raster);
    canvas.setBrushColor(colors::red);
    canvas.floodFillBorder(0, 0, colors::black);
    EXPECT_EQ(mapOf(raster, kLegend), (PixelMap{"rrr", "rkr", "rrr"}));
}

TEST(FloodFill, TallSlideStripSpiralIsFilledIteratively) {
    // A spiral-free worst case for recursion: a 176 x 2496 strip whose columns are joined only at
    // alternate ends, so the fill runs down and up every column.
    Raster raster(176, 2496);
    Canvas canvas(raster);
    canvas.setPenColor(colors::black);
    for (int x = 1; x < 176; x += 2) {
        const bool fromTop = (x / 2) % 2 == 0;
        canvas.moveTo(x, fromTop ? 0 : 1);
        canvas.lineTo(x, fromTop ? 2495 : 2496);
    }
    canvas.setBrushColor(kGreen);
    canvas.floodFillBorder(0, 0, colors::black);
    EXPECT_EQ(countPixels(raster, colors::white), 0);
    EXPECT_EQ(raster.pixel(174, 2495), kGreen);
}

TEST(DrawingState, BrushColourMakesAClearBrushSolid) {
    Raster raster(1, 1);
    Canvas canvas(raster);
    canvas.setBrushStyle(BrushStyle::Clear);
    EXPECT_EQ(raster.state().brushStyle, BrushStyle::Clear);
    canvas.setBrushColor(colors::red);
    EXPECT_EQ(raster.state().brushStyle, BrushStyle::Solid);
}

TEST(DrawingState, FontPointsBecomePixelsAt96Dpi) {
    const std::pair<int, int> pointsToPixels[] = {{10, 13}, {8, 11}, {12, 16}, {9, 12},
                                                  {6, 8},   {7, 9},  {0, 0},   {-10, -13}};
    for (auto [points, pixels] : pointsToPixels)
        EXPECT_EQ(fontPointsToPixels(points), pixels) << points;
    Raster raster(1, 1);
    Canvas(raster).setFontSizePoints(8);
    EXPECT_EQ(raster.state().font.heightPx, 11);
}

// Renders each character as a 2 x 3 block: a bar down the left column, heights taken from the font.
class FakeRasterizer : public TextRasterizer {
  public:
    GlyphMask render(std::string_view text, const Font& font) override {
        lastHeight = font.heightPx;
        GlyphMask mask{static_cast<int>(text.size()) * 2, 3, {}};
        mask.coverage.assign(static_cast<std::size_t>(mask.width) * 3, 0);
        for (int row = 0; row < 3; ++row)
            for (std::size_t i = 0; i < text.size(); ++i)
                mask.coverage[row * mask.width + i * 2] =
                    static_cast<std::uint8_t>(row == 1 ? 200 : 127 + row);
        return mask;
    }
    int lastHeight = 0;
};

TEST(TextOut, TransparentModePaintsOnlyGlyphPixelsInTheFontColour) {
    FakeRasterizer rasterizer;
    installTextRasterizer(&rasterizer);
    Raster raster(6, 4);
    Canvas canvas(raster);
    canvas.setFontHeightPx(17);
    canvas.setFontColor(colors::red);
    canvas.setBackgroundMode(BackgroundMode::Transparent);
    canvas.textOut(1, 1, "ab");
    EXPECT_EQ(rasterizer.lastHeight, 17);
    EXPECT_EQ(mapOf(raster, kLegend), (PixelMap{
                                          "......",
                                          "......",
                                          ".r.r..",
                                          ".r.r..",
                                      }));
    canvas.setBackgroundMode(BackgroundMode::Opaque);
    canvas.setBrushColor(kBlue);
    canvas.textOut(-1, 0, "abc");
    EXPECT_EQ(mapOf(raster, kLegend), (PixelMap{
                                          "bbbbb.",
                                          "brbrb.",
                                          "brbrb.",
                                          ".r.r..",
                                      }));
    installTextRasterizer(nullptr);
    canvas.textOut(0, 0, "abc");  // no rasteriser: nothing
    EXPECT_EQ(raster.pixel(0, 0), kBlue);
}

TEST(LowerDepthTargets, PaintedPixelsAreReducedToThePalette) {
    Raster raster(4, 1, colors::black);
    raster.setSourceFormat(PixelFormat::Bits1, {colors::black, colors::white});
    Canvas canvas(raster);
    canvas.setPixel(0, 0, rgb(200, 190, 180));
    canvas.setPenColor(rgb(20, 40, 60));
    canvas.moveTo(1, 0);
    canvas.lineTo(2, 0);
    canvas.stretchDraw(Rect{2, 0, 4, 1}, Raster(1, 1, rgb(250, 10, 240)));
    EXPECT_EQ(mapOf(raster, kLegend), (PixelMap{".k.."}));
}

}  // namespace
}  // namespace felmo
