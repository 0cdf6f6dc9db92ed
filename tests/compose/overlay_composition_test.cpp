#include "compose/overlay_composition.hpp"

#include <gtest/gtest.h>

namespace felmo {
namespace {

TEST(SlopeFromPosition, SteepensFromTwentyAndIsHardAboveThirtyTwo) {
    for (int p = 0; p < 20; ++p)
        EXPECT_EQ(SlopeFromPosition(p), p);
    const int table[] = {20, 25, 32, 40, 49, 61, 74, 89, 107, 128, 151, 178, 209};
    for (int p = 20; p <= 32; ++p)
        EXPECT_EQ(SlopeFromPosition(p), table[p - 20]) << p;
    for (int p = 33; p <= 37; ++p)
        EXPECT_EQ(SlopeFromPosition(p), 255) << p;
}

TEST(ClampOverlayRegion, BringsStoredValuesIntoTheStrip) {
    struct Case {
        OverlayRegion stored, fitted;
    };
    for (const Case& c : {
             Case{{40, 150, 30, 60}, {40, 150, 30, 60}},    // fits: unchanged
             Case{{0, 176, 0, 68}, {0, 176, 0, 68}},        // the whole strip
             Case{{-5, 150, -1, 60}, {0, 150, 0, 60}},      // before the left / top edge
             Case{{40, 300, 30, 99}, {40, 176, 30, 68}},    // past the right / bottom edge
             Case{{200, 250, 70, 80}, {176, 176, 68, 68}},  // wholly outside
             Case{{100, 50, 60, 30}, {100, 100, 60, 60}},   // negative size becomes 0
         })
        EXPECT_EQ(clampOverlayRegion(c.stored), c.fitted)
            << c.stored.X1 << "," << c.stored.X2 << "," << c.stored.Y1 << "," << c.stored.Y2;
}

constexpr Color kBase = 0x00000000;        // black strip
constexpr Color kBackground = 0x00102030;  // the overlay's own background (its top-left pixel)
constexpr Color kMagenta = 0x00FF00FF;

class ImposingDrawAlphaTest : public ::testing::Test {
  protected:
    void SetUp() override {
        pictures.EidPicPicture0.setPicture(Raster(176, 68, kBase));
        Raster overlay(176, 68, colors::white);
        overlay.setPixel(0, 0, kBackground);
        overlay.setPixel(90, 45, kBackground);
        overlay.setPixel(91, 45, kMagenta);
        pictures.EidPicPictureAlpha.setPicture(std::move(overlay));
        // The bottom strip samples a green background.
        pictures.BackgroundPicture.setPicture(Raster(176, 132, rgb(0, 200, 0)));
    }
    Color composed(int x, int y) const { return pictures.EidPicPicture1.picture()->pixel(x, y); }
    void compose() { ImposingDrawAlpha(pictures, region, controls, strip, picked); }

    StillPictures pictures;
    OverlayRegion region;
    OverlayControls controls;
    StatusStrip strip;
    PickedRGB picked;
};

TEST_F(ImposingDrawAlphaTest, DefaultsBlendTheOverlayWithSoftEdges) {
    compose();
    EXPECT_EQ(composed(100, 45), rgb(200, 200, 200));
    EXPECT_EQ(composed(39, 45), rgb(49, 49, 49));
    EXPECT_EQ(composed(100, 29), rgb(180, 180, 180));
    EXPECT_EQ(composed(100, 67), rgb(60, 60, 60));
    EXPECT_EQ(composed(100, 20), kBase);
    // Background-coloured and magenta overlay pixels are left out.
    EXPECT_EQ(composed(90, 45), kBase);
    EXPECT_EQ(composed(91, 45), kBase);
    // The preview is the composed strip (no text rasteriser draws the date here).
    for (int y = 0; y < 68; ++y)
        for (int x = 0; x < 176; ++x)
            ASSERT_EQ(pictures.EidPicPicture.picture()->pixel(x, y), composed(x, y));
    // The base strip itself is untouched; the background key ends as the strip colour.
    EXPECT_EQ(pictures.EidPicPicture0.picture()->pixel(100, 45), kBase);
    EXPECT_EQ(picked, PickedRGB::of(rgb(0, 200, 0)));
    EXPECT_EQ(strip.StripColour, rgb(0, 200, 0));
}

TEST_F(ImposingDrawAlphaTest, DeduceBackgroundDrawsTheBackgroundColourToo) {
    controls.DeduceBackground = true;
    controls.TrackBarAlpha = 255;
    compose();
    EXPECT_EQ(composed(90, 45), kBackground);
    EXPECT_EQ(composed(91, 45), kBase);
}

TEST_F(ImposingDrawAlphaTest, SlidersAndRegionReachTheBlend) {
    region = OverlayRegion{10, 20, 5, 15};
    controls.TrackBarAlpha = 255;
    controls.TrackBarL = 19;  // slope 19: column 9 at 236
    controls.TrackBarR = 33;  // hard
    controls.TrackBarU = 0;   // slope 0: full opacity up to row 0
    controls.TrackBarD = 37;  // hard
    compose();
    EXPECT_EQ(composed(15, 10), colors::white);
    EXPECT_EQ(composed(9, 10), rgb(236, 236, 236));
    EXPECT_EQ(composed(21, 10), kBase);
    EXPECT_EQ(composed(15, 0), colors::white);
    EXPECT_EQ(composed(15, 16), kBase);
}

// A base strip read from a 16-bit file is made 24-bit before blending.
TEST_F(ImposingDrawAlphaTest, LowerDepthPicturesAreBlendedAt24Bits) {
    pictures.EidPicPicture0.picture()->setSourceFormat(PixelFormat::Bits16);
    pictures.EidPicPictureAlpha.picture()->setSourceFormat(PixelFormat::Bits16);
    compose();
    EXPECT_EQ(composed(100, 45), rgb(200, 200, 200));
    EXPECT_TRUE(pictures.EidPicPicture1.picture()->is24Bit());
}

TEST_F(ImposingDrawAlphaTest, TimerComposesOnlyWhenDirty) {
    OverlayState overlay;
    overlay.controls = controls;
    EXPECT_FALSE(TimerEidPicTimer(overlay, pictures, strip, picked));
    EXPECT_FALSE(pictures.EidPicPicture1.hasPicture());

    overlay.OverlayDirty = true;
    EXPECT_TRUE(TimerEidPicTimer(overlay, pictures, strip, picked));
    EXPECT_FALSE(overlay.OverlayDirty);
    EXPECT_EQ(composed(100, 45), rgb(200, 200, 200));
    EXPECT_FALSE(TimerEidPicTimer(overlay, pictures, strip, picked));
}

// One press of a size button from a given region and side: the region after it and the next side.
struct ResizeCase {
    const char* name;
    OverlayRegion before;
    int tag;
    int side;
    OverlayRegion after;
    int nextSide;
};

class ResizeStepTest : public ::testing::TestWithParam<ResizeCase> {};

TEST_P(ResizeStepTest, MovesOneSide) {
    const ResizeCase& c = GetParam();
    const SizeStep step = resizeOverlayRegion(c.before, c.tag, c.side);
    EXPECT_EQ(step.region, c.after);
    EXPECT_EQ(step.side, c.nextSide);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, ResizeStepTest,
    ::testing::Values(
        ResizeCase{"wider_right", {40, 150, 30, 60}, kSizeButtonWider, 0, {40, 151, 30, 60}, 1},
        ResizeCase{"wider_left", {40, 151, 30, 60}, kSizeButtonWider, 1, {39, 151, 30, 60}, -1},
        ResizeCase{
            "narrower_right", {40, 150, 30, 60}, kSizeButtonNarrower, -1, {40, 149, 30, 60}, 1},
        ResizeCase{"taller_top", {40, 150, 30, 60}, kSizeButtonTaller, 0, {40, 150, 29, 60}, 1},
        ResizeCase{
            "shorter_bottom", {40, 150, 31, 60}, kSizeButtonShorter, 1, {40, 150, 31, 59}, -1},
        // Past the whole width: the whole strip; below zero: the step is undone.
        ResizeCase{"too_wide", {0, 176, 30, 60}, kSizeButtonWider, 0, {0, 176, 30, 60}, 1},
        ResizeCase{"too_tall", {10, 20, 0, 68}, kSizeButtonTaller, 1, {10, 20, 0, 68}, -1},
        ResizeCase{"no_width_left", {95, 95, 30, 60}, kSizeButtonNarrower, 1, {95, 95, 30, 60}, -1},
        ResizeCase{"no_height_top", {0, 10, 45, 45}, kSizeButtonShorter, 0, {0, 10, 45, 45}, 1},
        // Another tag moves nothing, the side still flips.
        ResizeCase{"other_tag", {40, 150, 30, 60}, 7, 1, {40, 150, 30, 60}, -1}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

}  // namespace
}  // namespace felmo
