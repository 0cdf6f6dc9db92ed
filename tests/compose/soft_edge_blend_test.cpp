#include "compose/soft_edge_blend.hpp"

#include <gtest/gtest.h>

#include <algorithm>

namespace felmo {
namespace {

constexpr Color kMagenta = 0x00FF00FF;
// A background key that the test sources never contain unless a test puts it there.
constexpr PickedRGB kUnusedKey{1, 2, 3};

Color grey(int level) {
    const auto v = static_cast<std::uint8_t>(level);
    return rgb(v, v, v);
}

// A source with a different colour in every pixel (none magenta, none the unused key).
Raster patternedSource(int width, int height) {
    Raster source(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            source.setPixel(
                x, y,
                rgb(static_cast<std::uint8_t>(x * 7 + 5), static_cast<std::uint8_t>(y * 11 + 9),
                    static_cast<std::uint8_t>(x + y + 100)));
    return source;
}

// The overlay's default settings over a 176 x 68 strip: Alpha 200, rectangle columns 40..150,
// rows 30..60, slopes left/right 151 and up/down 20. Black under white, so a pixel blended once
// at opacity a reads a in every channel.
TEST(SoftEdgeBlend, DefaultOverlayFadesByDistanceFromTheRectangle) {
    Raster destination(176, 68, colors::black);
    const Raster source(176, 68, colors::white);
    SoftEdgeBlend(&destination, &source,
                  {.KeyColour = kMagenta,
                   .Alpha = 200,
                   .X1 = 40,
                   .X2 = 150,
                   .Y1 = 30,
                   .Y2 = 60,
                   .SlopeL = 151,
                   .SlopeR = 151,
                   .SlopeU = 20,
                   .SlopeD = 20},
                  kUnusedKey);

    for (int i = 0; i < 68; ++i) {
        for (int j = 0; j < 176; ++j) {
            const int dx = j < 40 ? 40 - j : j > 150 ? j - 150 : 0;
            const int dy = i < 30 ? 30 - i : i > 60 ? i - 60 : 0;
            int expected = std::max(0, 200 - 151 * dx - 20 * dy);
            // The rectangle's own corners are blended twice at 200: 200, then 243.
            if ((i == 30 || i == 60) && (j == 40 || j == 150))
                expected = 243;
            ASSERT_EQ(destination.pixel(j, i), grey(expected)) << "row " << i << ", column " << j;
        }
    }
}

// The nine rules applied literally to every pixel, in 64-bit arithmetic (no argument here comes
// near the 32-bit limits): the blend must match it also where it leaves pixels out unvisited.
void literalBlend(Raster& d, const Raster& s, int alpha, int x1, int x2, int y1, int y2, int sl,
                  int sr, int su, int sd) {
    for (int i = 0; i < s.height(); ++i)
        for (int j = 0; j < s.width(); ++j) {
            const Color source = s.pixel(j, i);
            if (source == kMagenta || PickedRGB::of(source) == kUnusedKey)
                continue;
            const std::int64_t opacities[9] = {
                alpha,
                alpha - std::int64_t{sl} * (x1 - j),
                alpha - std::int64_t{sr} * (j - x2),
                alpha - std::int64_t{sd} * (i - y2),
                alpha - std::int64_t{su} * (y1 - i),
                alpha - std::int64_t{sd} * (i - y2) - std::int64_t{sr} * (j - x2),
                alpha - std::int64_t{su} * (y1 - i) - std::int64_t{sr} * (j - x2),
                alpha - std::int64_t{sd} * (i - y2) - std::int64_t{sl} * (x1 - j),
                alpha - std::int64_t{su} * (y1 - i) - std::int64_t{sl} * (x1 - j)};
            const bool applies[9] = {
                y1 <= i && i <= y2 && x1 <= j && j <= x2,
                j < x1 && y1 < i && i<y2, j> x2 && y1 < i && i<y2, i> y2 && x1 < j && j < x2,
                i < y1 && x1 < j && j < x2,
                i >= y2 && j >= x2,
                i <= y1 && j >= x2,
                i >= y2 && j <= x1,
                i <= y1 && j <= x1};
            for (int rule = 0; rule < 9; ++rule) {
                const std::int64_t a = opacities[rule];
                if (!applies[rule] || (rule > 0 && a <= 0))
                    continue;
                const Color target = d.pixel(j, i);
                auto mix = [&](int dc, int sc) {
                    return static_cast<std::uint8_t>(((255 - a) * dc + a * sc) / 255);
                };
                d.setPixel(
                    j, i,
                    rgb(mix(redOf(target), redOf(source)), mix(greenOf(target), greenOf(source)),
                        mix(blueOf(target), blueOf(source))));
            }
        }
}

TEST(SoftEdgeBlend, MatchesTheRulesAppliedToEveryPixel) {
    struct Case {
        int alpha, x1, x2, y1, y2, sl, sr, su, sd;
        SoftEdgeBlendArea area() const {
            return {kMagenta, 0, 0, alpha, x1, x2, y1, y2, sl, sr, su, sd, false};
        }
    };
    const Raster source = patternedSource(23, 17);
    for (const Case& c : {Case{200, 5, 15, 4, 10, 20, 30, 5, 7},    // soft on every side
                          Case{255, 5, 15, 4, 10, 0, 255, 0, 255},  // flat and hard sides
                          Case{90, 15, 5, 10, 4, 9, 11, 13, 17},    // inverted rectangle
                          Case{130, 8, 8, 6, 6, 25, 25, 25, 25},    // a single pixel
                          Case{-40, 5, 15, 4, 10, 3, 3, 3, 3},      // negative opacity
                          Case{180, -9, 2, 14, 40, 30, 12, 19, 1},  // partly outside
                          Case{100, 40, 50, 30, 35, 2, 2, 2, 2},    // wholly outside
                          Case{100, 0, 0, 0, 0, 0, 0, 0, 0}}) {     // the cross-fade's call
        Raster blended(23, 17, rgb(60, 140, 220));
        Raster expected = blended;
        SoftEdgeBlend(&blended, &source, c.area(), kUnusedKey);
        literalBlend(expected, source, c.alpha, c.x1, c.x2, c.y1, c.y2, c.sl, c.sr, c.su, c.sd);
        for (int y = 0; y < 17; ++y)
            for (int x = 0; x < 23; ++x)
                ASSERT_EQ(blended.pixel(x, y), expected.pixel(x, y))
                    << "alpha " << c.alpha << " rectangle " << c.x1 << ".." << c.x2 << ", " << c.y1
                    << ".." << c.y2 << " at " << x << "," << y;
    }
}

TEST(SoftEdgeBlend, MagentaSourcePixelsAreNeverDrawn) {
    Raster destination(8, 8, grey(77));
    Raster source(8, 8, colors::white);
    source.setPixel(3, 3, kMagenta);  // inside the rectangle
    source.setPixel(7, 0, kMagenta);  // on a fade
    SoftEdgeBlend(&destination, &source,
                  {.KeyColour = kMagenta,
                   .Alpha = 255,
                   .X1 = 2,
                   .X2 = 5,
                   .Y1 = 2,
                   .Y2 = 5,
                   .KeepBackground = true},
                  PickedRGB::of(kMagenta));
    EXPECT_EQ(destination.pixel(3, 3), grey(77));
    EXPECT_EQ(destination.pixel(7, 0), grey(77));
    EXPECT_EQ(destination.pixel(4, 3), colors::white);
}

TEST(SoftEdgeBlend, BackgroundKeyIsSkippedUnlessKept) {
    const Color background = rgb(10, 200, 30);
    Raster source(6, 6, colors::white);
    source.setPixel(2, 2, background);
    for (const bool keep : {false, true}) {
        Raster destination(6, 6, colors::black);
        SoftEdgeBlend(&destination, &source,
                      {.KeyColour = kMagenta,
                       .Alpha = 255,
                       .X1 = 1,
                       .X2 = 4,
                       .Y1 = 1,
                       .Y2 = 4,
                       .SlopeL = 255,
                       .SlopeR = 255,
                       .SlopeU = 255,
                       .SlopeD = 255,
                       .KeepBackground = keep},
                      PickedRGB::of(background));
        EXPECT_EQ(destination.pixel(2, 2), keep ? background : colors::black) << keep;
        EXPECT_EQ(destination.pixel(3, 2), colors::white) << keep;
    }
}

struct GuardCase {
    const char* name;
    int sourceWidth, sourceHeight, x, y;
    PixelFormat sourceFormat, destinationFormat;
    bool blends;
};

class SoftEdgeBlendGuard : public ::testing::TestWithParam<GuardCase> {};

TEST_P(SoftEdgeBlendGuard, LeavesDestinationUntouchedWhenTheSourceDoesNotFit) {
    const GuardCase& c = GetParam();
    Raster destination(10, 8, grey(50));
    destination.setSourceFormat(c.destinationFormat);
    Raster source(c.sourceWidth, c.sourceHeight, grey(250));
    source.setSourceFormat(c.sourceFormat);
    const Raster before = destination;
    SoftEdgeBlend(&destination, &source,
                  {.KeyColour = kMagenta,
                   .X = c.x,
                   .Y = c.y,
                   .Alpha = 255,
                   .X2 = 20,
                   .Y2 = 20,
                   .KeepBackground = true},
                  kUnusedKey);
    bool changed = false;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 10; ++x)
            changed |= destination.pixel(x, y) != before.pixel(x, y);
    EXPECT_EQ(changed, c.blends);
}

constexpr PixelFormat k24 = PixelFormat::Bits24;
INSTANTIATE_TEST_SUITE_P(
    Cases, SoftEdgeBlendGuard,
    ::testing::Values(GuardCase{"exact_fit", 10, 8, 0, 0, k24, k24, true},
                      GuardCase{"fits_at_offset", 9, 7, 1, 1, k24, k24, true},
                      GuardCase{"one_row_too_many", 10, 9, 0, 0, k24, k24, false},
                      GuardCase{"one_column_too_many", 11, 8, 0, 0, k24, k24, false},
                      GuardCase{"row_offset_too_far", 10, 8, 0, 1, k24, k24, false},
                      GuardCase{"column_offset_too_far", 10, 8, 1, 0, k24, k24, false},
                      GuardCase{"negative_offset", 5, 5, -1, 0, k24, k24, false},
                      GuardCase{"source_16_bit", 10, 8, 0, 0, PixelFormat::Bits16, k24, false},
                      GuardCase{"destination_8_bit", 10, 8, 0, 0, k24, PixelFormat::Bits8, false}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(SoftEdgeBlend, MissingRasterIsIgnored) {
    Raster raster(4, 4, grey(9));
    SoftEdgeBlend(nullptr, &raster,
                  {.KeyColour = kMagenta, .Alpha = 255, .X2 = 3, .Y2 = 3, .KeepBackground = true},
                  kUnusedKey);
    SoftEdgeBlend(&raster, nullptr,
                  {.KeyColour = kMagenta, .Alpha = 255, .X2 = 3, .Y2 = 3, .KeepBackground = true},
                  kUnusedKey);
    EXPECT_EQ(raster.pixel(2, 2), grey(9));
}

TEST(SoftEdgeBlend, AlphaZeroChangesNothingEvenWithFlatSlopes) {
    Raster destination = patternedSource(12, 9);
    const Raster before = destination;
    const Raster source(12, 9, colors::white);
    SoftEdgeBlend(
        &destination, &source,
        {.KeyColour = kMagenta, .X1 = 3, .X2 = 8, .Y1 = 2, .Y2 = 6, .KeepBackground = true},
        kUnusedKey);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 12; ++x)
            ASSERT_EQ(destination.pixel(x, y), before.pixel(x, y)) << x << "," << y;
}

TEST(SoftEdgeBlend, AlphaFullCopiesTheRectangleExactlyCornersIncluded) {
    Raster destination(12, 9, grey(33));
    const Raster source = patternedSource(12, 9);
    SoftEdgeBlend(&destination, &source,
                  {.KeyColour = kMagenta,
                   .Alpha = 255,
                   .X1 = 3,
                   .X2 = 8,
                   .Y1 = 2,
                   .Y2 = 6,
                   .SlopeL = 255,
                   .SlopeR = 255,
                   .SlopeU = 255,
                   .SlopeD = 255,
                   .KeepBackground = true},
                  kUnusedKey);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 12; ++x) {
            const bool inside = x >= 3 && x <= 8 && y >= 2 && y <= 6;
            ASSERT_EQ(destination.pixel(x, y), inside ? source.pixel(x, y) : grey(33))
                << x << "," << y;
        }
}

TEST(SoftEdgeBlend, ZeroSlopeCarriesFullAlphaToTheBorder) {
    Raster destination(20, 10, colors::black);
    const Raster source(20, 10, colors::white);
    // Only the left side is soft; the others are hard.
    SoftEdgeBlend(&destination, &source,
                  {.KeyColour = kMagenta,
                   .Alpha = 100,
                   .X1 = 10,
                   .X2 = 15,
                   .Y1 = 2,
                   .Y2 = 7,
                   .SlopeR = 255,
                   .SlopeU = 255,
                   .SlopeD = 255,
                   .KeepBackground = true},
                  kUnusedKey);
    EXPECT_EQ(destination.pixel(0, 4), grey(100));
    EXPECT_EQ(destination.pixel(16, 4), grey(0));
    EXPECT_EQ(destination.pixel(12, 1), grey(0));
}

// The cross-fade's call: an all-zero rectangle and slopes. Every pixel is blended once by the
// bottom-right corner rule, row 0 and column 0 a second time, pixel (0, 0) five times.
// At opacity 100, black under white: 1 blend -> 100, 2 -> 160, 5 -> 233.
TEST(SoftEdgeBlend, ZeroRectangleBlendsRowZeroColumnZeroAndTheOriginRepeatedly) {
    Raster destination(7, 5, colors::black);
    const Raster source(7, 5, colors::white);
    SoftEdgeBlend(&destination, &source, {.KeyColour = kMagenta, .Alpha = 100}, kUnusedKey);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) {
            const int expected = x == 0 && y == 0 ? 233 : (x == 0 || y == 0) ? 160 : 100;
            ASSERT_EQ(destination.pixel(x, y), grey(expected)) << x << "," << y;
        }
}

// The per-channel sum is divided with truncation toward zero and only the quotient's low 8 bits
// are stored; an opacity above 255 shows it: ((255 - 300) * 100 + 300 * 0) / 255 = -17 -> 239
// (flooring would give 238). The rectangle encloses the one pixel, so it is blended once.
TEST(SoftEdgeBlend, OutOfRangeOpacityTruncatesTowardZeroAndKeepsTheLowByte) {
    Raster destination(1, 1, grey(100));
    const Raster source(1, 1, colors::black);
    SoftEdgeBlend(&destination, &source,
                  {.KeyColour = kMagenta,
                   .Alpha = 300,
                   .X1 = -5,
                   .X2 = 5,
                   .Y1 = -5,
                   .Y2 = 5,
                   .KeepBackground = true},
                  kUnusedKey);
    EXPECT_EQ(destination.pixel(0, 0), grey(239));
}

}  // namespace
}  // namespace felmo
