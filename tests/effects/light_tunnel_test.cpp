#include "effects/light_tunnel.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "base/error.hpp"
#include "effect_rig.hpp"

namespace felmo {
namespace {

using testing::EffectRig;
using testing::makePicture;

// Neither black nor white anywhere, and every pixel tells where it came from.
Color splashColour(int x, int y) {
    return rgb(static_cast<std::uint8_t>(x + 1), static_cast<std::uint8_t>(y + 1), 77);
}

Raster splashPicture() {
    return makePicture(176, 208, splashColour);
}

// The frame is the picture seen through a circle of the given diameter whose box starts at
// (left, top): pixels whose centres lie more than a pixel inside the circle show the picture,
// pixels whose centres lie outside it are background, and the ring between is either (the
// outline has the background colour). A leaking outline would show up as background inside.
::testing::AssertionResult isMaskedCircle(const Raster& frame, const Raster& picture, int left,
                                          int top, int diameter, Color background) {
    if (frame.width() != 176 || frame.height() != 208)
        return ::testing::AssertionFailure() << "size " << frame.width() << " x " << frame.height();
    const double radius = diameter / 2.0;
    const double centreX = left + radius;
    const double centreY = top + radius;
    for (int y = 0; y < 208; ++y) {
        for (int x = 0; x < 176; ++x) {
            const double distance = std::hypot(x + 0.5 - centreX, y + 0.5 - centreY);
            const Color actual = frame.pixel(x, y);
            const bool inside = distance < radius - 1.01;
            const bool outside = distance > radius + 0.01;
            if ((inside && actual != picture.pixel(x, y)) || (outside && actual != background) ||
                (actual != picture.pixel(x, y) && actual != background))
                return ::testing::AssertionFailure()
                       << "pixel (" << x << ", " << y << ") at distance " << distance << " is "
                       << std::hex << actual;
        }
    }
    // The outline touches the middle of the box's top row.
    if (top >= 0 && frame.pixel(left + diameter / 2, top) != background)
        return ::testing::AssertionFailure() << "no outline at the top of the box";
    return ::testing::AssertionSuccess();
}

// --- The tunnel ---------------------------------------------------------------------------------

TEST(TunnelOpening, BoxesGrowByTwentyAroundTheCentre) {
    const std::array<Rect, 12> expected = {{
        {78, 94, 98, 114},
        {68, 84, 108, 124},
        {58, 74, 118, 134},
        {48, 64, 128, 144},
        {38, 54, 138, 154},
        {28, 44, 148, 164},
        {18, 34, 158, 174},
        {8, 24, 168, 184},
        {-2, 14, 178, 194},
        {-12, 4, 188, 204},
        {-22, -6, 198, 214},
        {-32, -16, 208, 224},
    }};
    for (int n = 0; n < 12; ++n)
        EXPECT_EQ(tunnelOpening(n), expected[n]) << "drawing " << n;
    EXPECT_THROW(tunnelOpening(12), Error);
}

struct TunnelCase {
    int tag;
    Color background;
    bool reversed;
};

class TunnelTest : public ::testing::TestWithParam<TunnelCase> {};

TEST_P(TunnelTest, EveryFrameIsThePictureThroughItsCircle) {
    const TunnelCase& c = GetParam();
    EffectRig rig;
    const Raster splash = splashPicture();
    rig.stills.SplashscreenPicture.setPicture(splash);
    EffectContext context = rig.context();
    MovementOnTunnel(context, c.tag);

    for (int k = 0; k < 12; ++k) {
        const int n = c.reversed ? 11 - k : k;
        const int diameter = 20 * (n + 1);
        EXPECT_TRUE(isMaskedCircle(rig.frame(k), splash, 88 - diameter / 2, 104 - diameter / 2,
                                   diameter, c.background))
            << "frame " << k;
    }
    // The largest opening still leaves the four corners; the smallest the middle only.
    const Raster widest = rig.frame(c.reversed ? 0 : 11);
    for (auto [x, y] : {std::pair{0, 0}, {175, 0}, {0, 207}, {175, 207}})
        EXPECT_EQ(widest.pixel(x, y), c.background) << x << ", " << y;
    EXPECT_EQ(widest.pixel(0, 104), splash.pixel(0, 104));
    EXPECT_EQ(widest.pixel(88, 0), splash.pixel(88, 0));
    // The splash picture itself is never drawn on.
    EXPECT_EQ(rig.stills.SplashscreenPicture.picture()->pixel(0, 0), splash.pixel(0, 0));
}

INSTANTIATE_TEST_SUITE_P(AllTags, TunnelTest,
                         ::testing::Values(TunnelCase{20, colors::black, false},
                                           TunnelCase{21, colors::white, false},
                                           TunnelCase{22, colors::black, true},
                                           TunnelCase{23, colors::white, true}));

// A black frame drawn into the picture stops a black fill, so what it encloses stays visible;
// a white fill runs straight over it.
TEST(MovementOnTunnel, PictureAreasEnclosedByTheBackgroundColourStayVisible) {
    Raster splash = splashPicture();
    for (int i = 5; i <= 30; ++i) {
        splash.setPixel(i, 5, colors::black);
        splash.setPixel(i, 30, colors::black);
        splash.setPixel(5, i, colors::black);
        splash.setPixel(30, i, colors::black);
    }
    for (const int tag : {kTagTunnelOutBlack, kTagTunnelOutWhite}) {
        EffectRig rig;
        rig.stills.SplashscreenPicture.setPicture(splash);
        EffectContext context = rig.context();
        MovementOnTunnel(context, tag);
        const Raster frame0 = rig.frame(0);
        const bool black = tag == kTagTunnelOutBlack;
        const Color background = black ? colors::black : colors::white;
        EXPECT_EQ(frame0.pixel(40, 40), background);
        EXPECT_EQ(frame0.pixel(5, 5), black ? colors::black : colors::white);
        for (auto [x, y] : {std::pair{6, 6}, {17, 17}, {29, 29}})
            EXPECT_EQ(frame0.pixel(x, y), black ? splash.pixel(x, y) : colors::white) << tag;
    }
}

TEST(MovementOnTunnel, UnknownTagIsRefused) {
    EffectRig rig;
    EffectContext context = rig.context();
    EXPECT_THROW(MovementOnTunnel(context, 19), Error);
    EXPECT_THROW(MovementOnTunnel(context, 24), Error);
    EXPECT_FALSE(std::filesystem::exists(frameFilePath(rig.workDir(), 0)));
}

// --- The directed light -------------------------------------------------------------------------

using Coordinates = std::array<int, 12>;

// x for each value of the first draw, y for each value of the second.
constexpr std::array<Coordinates, 4> kLightX = {{
    {2, 19, 36, 53, 36, 19, 2, 19, 36, 53, 36, 19},
    {19, 36, 53, 36, 19, 2, 19, 36, 53, 36, 19, 2},
    {2, 19, 36, 53, 36, 19, 2, 19, 36, 53, 36, 19},
    {19, 2, 19, 36, 53, 36, 19, 2, 19, 36, 53, 36},
}};
constexpr std::array<Coordinates, 5> kLightY = {{
    {4, 24, 44, 64, 84, 64, 44, 24, 4, 24, 44, 64},
    {24, 44, 64, 84, 64, 44, 24, 4, 24, 44, 64, 84},
    {4, 24, 44, 64, 84, 64, 44, 24, 4, 24, 44, 64},
    {24, 4, 24, 44, 64, 84, 64, 44, 24, 4, 24, 44},
    {44, 24, 4, 24, 44, 64, 84, 64, 44, 24, 4, 24},
}};

TEST(LightSpotPath, BouncesBetweenTheLimitsForEveryStart) {
    for (int randomX = 0; randomX < 4; ++randomX) {
        for (int randomY = 0; randomY < 5; ++randomY) {
            const std::array<Rect, 12> path = lightSpotPath(randomX, randomY);
            for (int n = 0; n < 12; ++n) {
                const Rect expected =
                    Rect::bySize(kLightX[randomX][n], kLightY[randomY][n], 120, 120);
                ASSERT_EQ(path[n], expected)
                    << "draws " << randomX << ", " << randomY << ", drawing " << n;
            }
        }
    }
}

// Frames of one run against the spot positions that the draws (rx, ry) give.
void expectSpotAt(EffectRig& rig, const Raster& splash, int randomX, int randomY,
                  Color background) {
    for (int n = 0; n < 12; ++n) {
        const int x = kLightX[randomX][n];
        const int y = kLightY[randomY][n];
        const Raster frame = rig.frame(n);
        EXPECT_TRUE(isMaskedCircle(frame, splash, x, y, 120, background)) << "frame " << n;
        EXPECT_EQ(frame.pixel(x, y), background) << "frame " << n;
    }
}

TEST(MovementDirectedLight, RunsFromAFreshStartFollowTheDrawsInOrder) {
    EffectRig rig;
    const Raster splash = splashPicture();
    rig.stills.SplashscreenPicture.setPicture(splash);
    EffectContext context = rig.context();

    // Seed 0 draws Random(4), Random(5), ... as 0, 0, 3, 1, 1, 3.
    MovementDirectedLight(context, kTagLightBlack);
    expectSpotAt(rig, splash, 0, 0, colors::black);
    EXPECT_EQ(rig.frame(3).pixel(53 + 60, 64 + 60), splash.pixel(113, 124));  // spot at (53, 64)

    MovementDirectedLight(context, kTagLightWhite);  // starts from (36, 4)
    expectSpotAt(rig, splash, 3, 1, colors::white);

    MovementDirectedLight(context, kTagLightBlack);  // starts from (2, 44)
    expectSpotAt(rig, splash, 1, 3, colors::black);
}

TEST(MovementDirectedLight, SeedOfTheBackgroundColourLeavesOnlyTheOutline) {
    EffectRig rig;
    Raster splash = splashPicture();
    splash.setPixel(2, 4, colors::black);  // the seed of drawing 0 on a fresh start
    rig.stills.SplashscreenPicture.setPicture(splash);
    EffectContext context = rig.context();
    MovementDirectedLight(context, kTagLightBlack);

    const Raster frame0 = rig.frame(0);
    EXPECT_EQ(frame0.pixel(0, 0), splash.pixel(0, 0));
    EXPECT_EQ(frame0.pixel(175, 207), splash.pixel(175, 207));
    EXPECT_EQ(frame0.pixel(62, 4), colors::black);    // top of the outline
    EXPECT_EQ(frame0.pixel(62, 123), colors::black);  // bottom of the outline
    EXPECT_EQ(frame0.pixel(62, 64), splash.pixel(62, 64));
    // The next drawing starts from a fresh copy and masks as usual.
    EXPECT_TRUE(isMaskedCircle(rig.frame(1), splash, 19, 24, 120, colors::black));
}

// --- Shared behaviour ---------------------------------------------------------------------------

class MaskingHandlerTest : public ::testing::TestWithParam<int> {
  protected:
    void run(EffectRig& rig) {
        EffectContext context = rig.context();
        const int tag = GetParam();
        (tag >= kTagLightBlack ? MovementDirectedLight : MovementOnTunnel)(context, tag);
    }
};

TEST_P(MaskingHandlerTest, LeavesThePreviewAloneAndAsksNothing) {
    for (const bool enabled : {false, true}) {
        EffectRig rig;
        if (enabled)
            rig.preview.enableTimer2();
        rig.preview.PreviewFrame = 7;
        int changes = 0;
        rig.preview.setTimer2Observer([&](bool) { ++changes; });
        run(rig);
        EXPECT_EQ(changes, 0);
        EXPECT_EQ(rig.preview.timer2Enabled(), enabled);
        EXPECT_EQ(rig.preview.PreviewFrame, 7);
        EXPECT_EQ(rig.dialogCalls, 0);
    }
}

TEST_P(MaskingHandlerTest, OnlyTheLightDrawsFromTheGenerator) {
    EffectRig rig;
    rig.random.setSeed(12345);
    run(rig);
    EffectRandom expected;
    expected.setSeed(12345);
    if (GetParam() >= kTagLightBlack) {
        expected.random(4);
        expected.random(5);
    }
    EXPECT_EQ(rig.random.seed(), expected.seed());
}

TEST_P(MaskingHandlerTest, DrawingOnTheCopyKeepsTheSplashPictureAndEarlierFramesGoAway) {
    EffectRig rig;
    const Raster splash = splashPicture();
    rig.stills.SplashscreenPicture.setPicture(splash);
    // An earlier run's surface, of another size, is replaced by the copy.
    rig.work.TunnelSurface.setPicture(Raster(300, 300, testing::kMarker));
    rig.work.LightSurface.setPicture(Raster(300, 300, testing::kMarker));
    run(rig);
    for (int k = 0; k < 12; ++k) {
        const Raster frame = rig.frame(k);
        ASSERT_EQ(frame.width(), 176);
        ASSERT_EQ(frame.height(), 208);
        EXPECT_EQ(frame.pixel(88, 104), splash.pixel(88, 104)) << k;
    }
    const Raster& kept = *rig.stills.SplashscreenPicture.picture();
    for (int y = 0; y < 208; ++y)
        for (int x = 0; x < 176; ++x)
            ASSERT_EQ(kept.pixel(x, y), splash.pixel(x, y)) << x << ", " << y;
}

TEST_P(MaskingHandlerTest, UnwritableFrameStopsTheEffect) {
    EffectRig rig;
    std::filesystem::remove_all(rig.workDir() / "startup");
    try {
        run(rig);
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find("Cannot create file"), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(AllTags, MaskingHandlerTest, ::testing::Values(20, 21, 22, 23, 45, 46));

TEST(MovementDirectedLight, UnknownTagIsRefusedBeforeAnyDraw) {
    EffectRig rig;
    EffectContext context = rig.context();
    EXPECT_THROW(MovementDirectedLight(context, 47), Error);
    EXPECT_THROW(MovementDirectedLight(context, 20), Error);
    EXPECT_EQ(rig.random.seed(), 0u);
}

}  // namespace
}  // namespace felmo
