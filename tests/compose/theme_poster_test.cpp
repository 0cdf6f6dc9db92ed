#include <gtest/gtest.h>

#include "compose/theme_poster.hpp"

namespace felmo {
namespace {

constexpr Color kStatus = rgb(200, 0, 0);
constexpr Color kBackground = rgb(0, 200, 0);
constexpr Color kSplash = rgb(0, 0, 200);
constexpr Color kLastFrame = rgb(200, 200, 0);
constexpr Color kWelcome = rgb(0, 200, 200);

struct Pictures {
    Raster status{176, 68, kStatus};
    Raster background{176, 132, kBackground};
    Raster splash{176, 208, kSplash};
    Raster lastFrame{176, 208, kLastFrame};
    Raster welcome{176, 208, kWelcome};

    Raster poster() const {
        return composeThemePoster({&status, &background, &splash, &lastFrame, &welcome});
    }
};

// The phone's screens of 176 x 208 side by side, 8 pixels apart and from the edges; the standby
// screen's 200 rows of pictures leave its last 8 rows black.
TEST(ThemePoster, FourScreensSideBySideAtOneToOne) {
    const Raster poster = Pictures{}.poster();
    ASSERT_EQ(poster.width(), 8 + 4 * (176 + 8));
    ASSERT_EQ(poster.height(), 8 + 208 + 8);
    struct Probe {
        int x, y;
        Color expected;
    };
    const Probe probes[] = {
        {0, 0, kPosterGround},     {7, 100, kPosterGround},   {8, 8, kStatus},
        {183, 75, kStatus},        {8, 76, kBackground},      {183, 207, kBackground},
        {8, 208, colors::black},   {183, 215, colors::black}, {8, 216, kPosterGround},
        {184, 100, kPosterGround}, {191, 100, kPosterGround}, {192, 8, kSplash},
        {367, 215, kSplash},       {368, 8, kPosterGround},   {376, 8, kLastFrame},
        {560, 8, kWelcome},        {735, 215, kWelcome},      {736, 8, kPosterGround},
        {743, 223, kPosterGround},
    };
    for (const Probe& probe : probes)
        EXPECT_EQ(poster.pixel(probe.x, probe.y), probe.expected) << probe.x << "," << probe.y;
}

// A picture larger than the screen widens and lengthens its own screen, never cut off; the
// other screens keep the phone's size.
TEST(ThemePoster, LargerPictureGrowsItsScreen) {
    Pictures pictures;
    pictures.splash = Raster(200, 230, kSplash);
    const Raster poster = pictures.poster();
    ASSERT_EQ(poster.width(), 8 + 3 * (176 + 8) + 200 + 8);
    ASSERT_EQ(poster.height(), 8 + 230 + 8);
    EXPECT_EQ(poster.pixel(192 + 199, 8 + 229), kSplash);
    EXPECT_EQ(poster.pixel(192 + 200, 8), kPosterGround);
    EXPECT_EQ(poster.pixel(192 + 208, 8), kLastFrame);
    EXPECT_EQ(poster.pixel(192 + 208, 8 + 207), kLastFrame);
    EXPECT_EQ(poster.pixel(192 + 208, 8 + 208), kPosterGround);
}

}  // namespace
}  // namespace felmo
