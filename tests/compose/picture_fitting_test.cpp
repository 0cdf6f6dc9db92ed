#include "compose/picture_fitting.hpp"

#include <gtest/gtest.h>

#include <array>
#include <string_view>

#include "base/error.hpp"
#include "compose/indicator_glyph.hpp"
#include "compose_rig.hpp"
#include "platform/file_io.hpp"
#include "raster/bmp.hpp"
#include "raster/canvas.hpp"

namespace felmo {
namespace {

using testing::TemporaryFolder;

// Every pixel its own colour (up to 4096 x 4096), never white or pure red; sourceOf reads the
// position back.
Color pixelColour(int x, int y) {
    return rgb(static_cast<std::uint8_t>(x & 0xFF),
               static_cast<std::uint8_t>(32 + ((x >> 8) | ((y >> 8) << 4))),
               static_cast<std::uint8_t>(y & 0xFF));
}
std::pair<int, int> sourceOf(Color colour) {
    const int high = greenOf(colour) - 32;
    return {redOf(colour) | ((high & 0xF) << 8), blueOf(colour) | ((high >> 4) << 8)};
}

Raster makePicture(int width, int height) {
    Raster picture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, pixelColour(x, y));
    return picture;
}

::testing::AssertionResult showsRows(const Image& image, const Raster& reference, int firstRow) {
    if (!image.hasPicture())
        return ::testing::AssertionFailure() << "no picture";
    const Raster& raster = *image.picture();
    for (int y = 0; y < raster.height(); ++y)
        for (int x = 0; x < raster.width(); ++x)
            if (raster.pixel(x, y) != reference.pixel(x, firstRow + y))
                return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ")";
    return ::testing::AssertionSuccess();
}

class FittingTest : public ::testing::Test {
  protected:
    PictureChooser offer(const Raster& picture, const std::string& name = "picture.bmp") {
        const std::filesystem::path path = folder.path() / name;
        saveBmpFile(picture, path);
        return [path] { return std::optional<std::filesystem::path>(path); };
    }
    static PictureChooser cancel() {
        return [] { return std::optional<std::filesystem::path>(); };
    }

    TemporaryFolder folder;
    StillPictures pictures;
    PictureLoad load;
    StatusStrip strip;
    PickedRGB picked;
};

TEST_F(FittingTest, WallPaperSqueezesTheWholePictureIntoTheStandbyArea) {
    const Raster picture = makePicture(640, 480);
    WallPaper(pictures, load, strip, picked, offer(picture));

    // The whole picture scaled to 176 x 200: rows 0..67 on the strips, 68..199 on the background.
    Raster standby(176, 200);
    Canvas(standby).stretchDraw(Rect{0, 0, 176, 200}, picture);
    EXPECT_TRUE(showsRows(pictures.EidPicPicture0, standby, 0));
    EXPECT_TRUE(showsRows(pictures.EidPicPicture1, standby, 0));
    EXPECT_TRUE(showsRows(pictures.StartUpEidPicPicture, standby, 0));
    EXPECT_TRUE(showsRows(pictures.WelcomeimageEidPicPicture, standby, 0));
    EXPECT_TRUE(showsRows(pictures.BackgroundPicture, standby, 68));
    EXPECT_EQ(pictures.EidPicPicture0.picture()->height(), 68);
    EXPECT_EQ(pictures.StartUpEidPicPicture.picture()->height(), 12);
    // No cropping: the corners of the picture reach the corners of the area.
    EXPECT_EQ(pictures.EidPicPicture0.picture()->pixel(0, 0), picture.pixel(0, 0));
    const auto [lastX, lastY] = sourceOf(pictures.BackgroundPicture.picture()->pixel(175, 131));
    EXPECT_GE(lastX, 636);  // within one scaled pixel of the picture's right edge
    EXPECT_GE(lastY, 477);  // and of its bottom edge
    const auto [stripX, stripY] = sourceOf(pictures.EidPicPicture0.picture()->pixel(0, 67));
    EXPECT_EQ(stripX, 0);
    EXPECT_NEAR(stripY, 67 * 480 / 200, 2);  // row 67 of 200 is about row 161 of 480
    // Then the bottom strip is sampled from the new background (column 0 of row 131).
    EXPECT_EQ(strip.StripColour, pictures.BackgroundPicture.picture()->pixel(0, 131));
    EXPECT_EQ(picked, PickedRGB::of(strip.StripColour));
    EXPECT_FALSE(strip.redLabel.empty());
}

TEST_F(FittingTest, WallPaperCancelDrawsNothingButStillRedrawsTheBottomStrip) {
    pictures.BackgroundPicture.setPicture(Raster(176, 132, rgb(5, 6, 7)));
    WallPaper(pictures, load, strip, picked, cancel());
    EXPECT_TRUE(load.LoadCancelled);
    EXPECT_EQ(pictures.EidPicPicture0.picture()->pixel(10, 10), colors::white);
    EXPECT_EQ(pictures.BackgroundPicture.picture()->pixel(10, 10), rgb(5, 6, 7));
    EXPECT_EQ(strip.StripColour, rgb(5, 6, 7));
    EXPECT_EQ(strip.blueLabel, "B = 7");
}

TEST_F(FittingTest, WallPaperReadErrorStopsBeforeDrawing) {
    const std::filesystem::path path = folder.path() / "broken.jpg";
    writeFileAtomically(path, std::vector<std::uint8_t>{0xFF, 0xD8, 0xFF});  // a JPEG cut short
    EXPECT_THROW(WallPaper(pictures, load, strip, picked,
                           [path] { return std::optional<std::filesystem::path>(path); }),
                 Error);
    EXPECT_FALSE(pictures.EidPicPicture0.hasPicture());
    EXPECT_TRUE(strip.redLabel.empty());  // DrawDownLine did not run
}

TEST_F(FittingTest, WelcomeImageIsStretchedToTheScreen) {
    const Raster picture = makePicture(300, 100);
    LoadWelcomeimage(pictures, load, offer(picture));
    Raster screen(176, 208);
    Canvas(screen).stretchDraw(Rect{0, 0, 176, 208}, picture);
    EXPECT_TRUE(showsRows(pictures.WelcomeimagePicture, screen, 0));
}

// The indicator glyph as the strip must show it ('X' glyph pixels).
constexpr std::array<std::string_view, 5> kGlyph = {
    "..XXXXX...XXX.XXXX..X.XX", ".X...X.X.X...X...X.X..X.", ".XX.XXX..XX..XX..XXX.X..",
    "...XX..X.X.....X.X.XX...", "XXX.XXX.XXXXXXX..X.X....",
};

struct SplashCase {
    const char* name;
    Color top;  // the splash picture's colour
    Color glyphColour;
    friend void PrintTo(const SplashCase& c, std::ostream* os) { *os << c.name; }
};

class SplashStripTest : public FittingTest, public ::testing::WithParamInterface<SplashCase> {};

TEST_P(SplashStripTest, BandOfTheTopCentreColourWithTheContrastingGlyph) {
    const SplashCase& c = GetParam();
    Raster picture(176, 208, c.top);
    picture.setPixel(0, 0, rgb(1, 1, 1));  // only the top-centre pixel counts
    Splashscreen1Click(pictures, load, picked, offer(picture));

    const Raster& splashStrip = *pictures.SplashEidPic.picture();
    ASSERT_EQ(splashStrip.width(), 176);
    ASSERT_EQ(splashStrip.height(), 12);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 176; ++x) {
            const int gx = x - 152;
            const int gy = y - 3;
            const bool glyph = gx >= 0 && gx < 24 && gy >= 0 && gy < 5 && kGlyph[gy][gx] == 'X';
            ASSERT_EQ(splashStrip.pixel(x, y), glyph ? c.glyphColour : c.top) << x << ", " << y;
        }
    EXPECT_EQ(picked, PickedRGB::of(c.top));
}

INSTANTIATE_TEST_SUITE_P(
    Sums, SplashStripTest,
    ::testing::Values(SplashCase{"Sum380GetsWhiteGlyph", rgb(127, 127, 126), colors::white},
                      SplashCase{"Sum381GetsBlackGlyph", rgb(127, 127, 127), colors::black},
                      SplashCase{"BlackStrip", colors::black, colors::white},
                      SplashCase{"WhiteStrip", colors::white, colors::black},
                      SplashCase{"PureRedStrip", colors::red, colors::white}),
    [](const ::testing::TestParamInfo<SplashCase>& testCase) {
        return std::string(testCase.param.name);
    });

TEST_F(FittingTest, PureRedOnTheOldStripBoundsTheFirstFill) {
    // An old strip with a pure red wall at column 100 and a pure red top-left pixel elsewhere.
    Raster old(176, 12, rgb(9, 9, 9));
    for (int y = 0; y < 12; ++y)
        old.setPixel(100, y, colors::red);
    pictures.SplashEidPic.setPicture(old);
    pictures.SplashscreenPicture.setPicture(Raster(176, 208, rgb(0, 0, 200)));
    paintSplashStatusStrip(pictures, picked);
    const Raster& splashStrip = *pictures.SplashEidPic.picture();
    EXPECT_EQ(splashStrip.pixel(99, 0), rgb(0, 0, 200));
    EXPECT_EQ(splashStrip.pixel(100, 0), colors::red);
    EXPECT_EQ(splashStrip.pixel(101, 0), rgb(9, 9, 9));

    // With the top-left pixel pure red the second fill, bounded by the new colour, does the work.
    Raster redCorner(176, 12, colors::red);
    pictures.SplashEidPic.setPicture(redCorner);
    paintSplashStatusStrip(pictures, picked);
    EXPECT_EQ(pictures.SplashEidPic.picture()->pixel(0, 0), rgb(0, 0, 200));
    EXPECT_EQ(pictures.SplashEidPic.picture()->pixel(175, 11), rgb(0, 0, 200));
}

TEST_F(FittingTest, SplashCancelRepaintsTheStripFromTheUnchangedPicture) {
    pictures.SplashscreenPicture.setPicture(Raster(176, 208, rgb(30, 40, 50)));
    Splashscreen1Click(pictures, load, picked, cancel());
    EXPECT_EQ(pictures.SplashscreenPicture.picture()->pixel(5, 5), rgb(30, 40, 50));
    EXPECT_EQ(pictures.SplashEidPic.picture()->pixel(0, 0), rgb(30, 40, 50));
    EXPECT_EQ(pictures.SplashEidPic.picture()->pixel(152 + 2, 3), colors::white);
    EXPECT_EQ(picked, (PickedRGB{30, 40, 50}));
}

TEST(IndicatorGlyph, VariantsDrawTheSameMarkInSwappedColours) {
    const Raster onBlack = makeIndicatorGlyph(colors::white, colors::black);
    const Raster onWhite = makeIndicatorGlyph(colors::black, colors::white);
    ASSERT_EQ(onBlack.width(), 24);
    ASSERT_EQ(onBlack.height(), 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 24; ++x) {
            const bool glyph = kGlyph[y][x] == 'X';
            EXPECT_EQ(onBlack.pixel(x, y), glyph ? colors::white : colors::black) << x << "," << y;
            EXPECT_EQ(onWhite.pixel(x, y), glyph ? colors::black : colors::white) << x << "," << y;
        }
}

}  // namespace
}  // namespace felmo
