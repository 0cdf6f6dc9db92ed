#include "effects/brightness.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "base/error.hpp"
#include "effect_rig.hpp"
#include "effects/mul_div.hpp"

namespace felmo {
namespace {

using testing::EffectRig;
using testing::kMarker;
using testing::makePicture;

// --- MulDiv -------------------------------------------------------------------------------------

struct MulDivCase {
    int a, b, d, expected;
};

class MulDivTest : public ::testing::TestWithParam<MulDivCase> {};

TEST_P(MulDivTest, RoundsHalvesAwayFromZero) {
    const MulDivCase& c = GetParam();
    EXPECT_EQ(MulDiv(c.a, c.b, c.d), c.expected) << c.a << " * " << c.b << " / " << c.d;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MulDivTest,
    ::testing::Values(MulDivCase{200, 60, 300, 40}, MulDivCase{55, 60, 300, 11},
                      MulDivCase{1, 150, 300, 1},                      // 0.5 -> 1
                      MulDivCase{1, 149, 300, 0},                      // 0.497 -> 0
                      MulDivCase{-1, 150, 300, -1},                    // -0.5 -> -1
                      MulDivCase{1, -150, 300, -1},                    //
                      MulDivCase{-1, -150, 300, 1},                    //
                      MulDivCase{1, 150, -300, -1},                    // negative divisor
                      MulDivCase{-1, 150, -300, 1},                    //
                      MulDivCase{2, 1, 3, 1},                          // 0.667 -> 1
                      MulDivCase{1, 1, 3, 0},                          // 0.333 -> 0
                      MulDivCase{-2, 1, 3, -1},                        //
                      MulDivCase{7, 9, 0, -1},                         // zero divisor
                      MulDivCase{INT_MAX, 2, 1, -1},                   // result overflows
                      MulDivCase{INT_MAX, INT_MAX, INT_MAX, INT_MAX},  // wide intermediate
                      MulDivCase{INT_MAX, 3, 4, 1610612735}));         // 1610612735.25

// --- The fade step ------------------------------------------------------------------------------

// One step of one channel, straight from the rule for non-negative values: MulDiv(a, n, 300) is
// (a * n + 150) / 300 truncated.
int blackStep(int c, int n) {
    return c - (c * n + 150) / 300;
}
int whiteStep(int c, int n) {
    return c + ((255 - c) * n + 150) / 300;
}

TEST(BrightnessChange, OneStepOfSixtyThreeHundredths) {
    Image image(176, 208);
    image.setPicture(Raster(176, 208, rgb(200, 0, 255)));
    BrightnessChange(image, FadeMode::Black, 300, 60);
    EXPECT_EQ(image.picture()->pixel(175, 207), rgb(160, 0, 204));
    image.setPicture(Raster(176, 208, rgb(200, 0, 255)));
    BrightnessChange(image, FadeMode::White, 300, 60);
    EXPECT_EQ(image.picture()->pixel(0, 0), rgb(211, 51, 255));
}

TEST(BrightnessChange, NumeratorZeroChangesNothingAndBadSharesAreRefused) {
    Image image(176, 208);
    image.setPicture(makePicture(176, 208, testing::columnColour));
    const Raster before = *image.picture();
    BrightnessChange(image, FadeMode::Black, 300, 0);
    BrightnessChange(image, FadeMode::White, 300, 0);
    EXPECT_EQ(image.picture()->pixel(77, 33), before.pixel(77, 33));
    EXPECT_THROW(BrightnessChange(image, FadeMode::Black, 0, 0), Error);
    EXPECT_THROW(BrightnessChange(image, FadeMode::Black, 300, 301), Error);
    EXPECT_THROW(BrightnessChange(image, FadeMode::White, 300, -1), Error);
}

// The positions visited are x = 0..image height and y = 0..image width + 32, whatever the raster.
TEST(BrightnessChange, VisitsPositionsBoundedByTheImageSize) {
    const Color grey = rgb(100, 100, 100);
    const Color faded = rgb(70, 70, 70);  // 100 - (9000 + 150) / 300
    Image frameImage(176, 208);
    frameImage.setPicture(Raster(300, 300, grey));
    BrightnessChange(frameImage, FadeMode::Black, 300, 90);
    const Raster& large = *frameImage.picture();
    EXPECT_EQ(large.pixel(208, 208), faded);
    EXPECT_EQ(large.pixel(209, 0), grey);
    EXPECT_EQ(large.pixel(0, 209), grey);

    Image oddImage(10, 20);  // x up to 20, y up to 42
    oddImage.setPicture(Raster(50, 50, grey));
    BrightnessChange(oddImage, FadeMode::Black, 300, 90);
    const Raster& odd = *oddImage.picture();
    EXPECT_EQ(odd.pixel(20, 42), faded);
    EXPECT_EQ(odd.pixel(21, 0), grey);
    EXPECT_EQ(odd.pixel(0, 43), grey);
}

// --- BrightnessBlackWhite -----------------------------------------------------------------------

Color splashColour(int x, int y) {
    if (x == 5 && y == 5)
        return colors::black;
    if (x == 6 && y == 5)
        return colors::white;
    return rgb(static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y),
               static_cast<std::uint8_t>(x + y));
}

Color afterSteps(Color colour, FadeMode mode, int steps) {
    int channels[3] = {redOf(colour), greenOf(colour), blueOf(colour)};
    for (int s = 0; s < steps; ++s)
        for (int& c : channels)
            c = mode == FadeMode::Black ? blackStep(c, kFadeStepNumerator)
                                        : whiteStep(c, kFadeStepNumerator);
    return rgb(static_cast<std::uint8_t>(channels[0]), static_cast<std::uint8_t>(channels[1]),
               static_cast<std::uint8_t>(channels[2]));
}

struct FadeCase {
    int tag;
    FadeMode mode;
    bool vanishing;
};

class FadeTest : public ::testing::TestWithParam<FadeCase> {};

TEST_P(FadeTest, FrameKHoldsKStepsInTheVanishingOrder) {
    const FadeCase& c = GetParam();
    EffectRig rig;
    rig.stills.SplashscreenPicture.setPicture(makePicture(176, 208, splashColour));
    rig.work.LeavingPicture.setPicture(Raster(176, 208, kMarker));
    EffectContext context = rig.context();
    BrightnessBlackWhite(context, c.tag);

    EXPECT_EQ(rig.dialogCalls, 0);
    for (int steps = 0; steps < 12; ++steps) {
        const Raster frame = rig.frame(c.vanishing ? steps : 11 - steps);
        ASSERT_EQ(frame.width(), 176);
        for (int y = 0; y < 208; ++y)
            for (int x = 0; x < 176; ++x)
                ASSERT_EQ(frame.pixel(x, y), afterSteps(splashColour(x, y), c.mode, steps))
                    << steps << " steps, pixel (" << x << ", " << y << ")";
    }
    // The background colour itself never moves.
    const Raster last = rig.frame(c.vanishing ? 11 : 0);
    const bool black = c.mode == FadeMode::Black;
    EXPECT_EQ(last.pixel(black ? 5 : 6, 5), black ? colors::black : colors::white);
}

INSTANTIATE_TEST_SUITE_P(AllFades, FadeTest,
                         ::testing::Values(FadeCase{kTagFadeInBlack, FadeMode::Black, false},
                                           FadeCase{kTagFadeOutBlack, FadeMode::Black, true},
                                           FadeCase{kTagFadeInWhite, FadeMode::White, false},
                                           FadeCase{kTagFadeOutWhite, FadeMode::White, true}));

TEST(BrightnessBlackWhite, StopsAndRestartsThePreviewWithoutRewinding) {
    EffectRig rig;
    rig.preview.enableTimer2();
    rig.preview.PreviewFrame = 8;
    std::vector<bool> changes;
    rig.preview.setTimer2Observer([&](bool enabled) { changes.push_back(enabled); });
    EffectContext context = rig.context();
    BrightnessBlackWhite(context, kTagFadeOutWhite);
    EXPECT_EQ(changes, (std::vector<bool>{false, true}));
    EXPECT_EQ(rig.preview.PreviewFrame, 8);
}

TEST(BrightnessBlackWhite, SavingTheUntouchedFrameConvertsTheSplashTo24Bits) {
    EffectRig rig;
    Raster splash(176, 208, colors::black);
    splash.setSourceFormat(PixelFormat::Bits8, {colors::black, colors::white});
    rig.stills.SplashscreenPicture.setPicture(splash);
    EffectContext context = rig.context();
    BrightnessBlackWhite(context, kTagFadeInWhite);
    EXPECT_TRUE(rig.stills.SplashscreenPicture.picture()->is24Bit());
    EXPECT_EQ(rig.frame(11).pixel(0, 0), colors::black);
    // The 8-bit copy stores each step reduced to its two-colour palette until the first save.
    EXPECT_EQ(rig.frame(10).pixel(0, 0), colors::black);   // 77 is nearer black than white
    EXPECT_EQ(rig.frame(9).pixel(0, 0), rgb(77, 77, 77));  // 24 bits from the first save on
}

TEST(BrightnessBlackWhite, UnwritableFrameLeavesThePreviewStopped) {
    EffectRig rig;
    rig.preview.enableTimer2();
    std::filesystem::remove_all(rig.workDir() / "startup");
    EffectContext context = rig.context();
    EXPECT_THROW(BrightnessBlackWhite(context, kTagFadeOutBlack), Error);
    EXPECT_FALSE(rig.preview.timer2Enabled());
}

TEST(BrightnessBlackWhite, UnknownTagIsRefused) {
    EffectRig rig;
    EffectContext context = rig.context();
    EXPECT_THROW(BrightnessBlackWhite(context, 37), Error);
    EXPECT_THROW(ScatteredRestoration(context, 27), Error);
    EXPECT_FALSE(std::filesystem::exists(frameFilePath(rig.workDir(), 0)));
}

// --- ScatteredRestoration -----------------------------------------------------------------------

constexpr Color kPlain = rgb(10, 200, 30);

struct ScatterRun {
    EffectRig rig;
    explicit ScatterRun(int tag) {
        rig.stills.SplashscreenPicture.setPicture(Raster(176, 208, kPlain));
        EffectContext context = rig.context();
        ScatteredRestoration(context, tag);
    }
    int uncovered(int k) const {
        const Raster frame = rig.frame(k);
        int count = 0;
        for (int y = 0; y < 208; ++y)
            for (int x = 0; x < 176; ++x)
                count += frame.pixel(x, y) == kPlain;
        return count;
    }
};

struct CoverCase {
    int tag;
    Color stroke;
    int frame0, frame9, frame10, frame11;
};

class ScatterCoverTest : public ::testing::TestWithParam<CoverCase> {};

// From a fresh start the picture is eaten away by fixed amounts (the counts of uncovered pixels
// below are the effect's own, frame by frame), and every pixel that is not the picture is the
// stroke colour.
TEST_P(ScatterCoverTest, UncoveredPixelsAfterAFreshStart) {
    const CoverCase& c = GetParam();
    ScatterRun run(c.tag);
    EXPECT_EQ(run.uncovered(0), c.frame0);
    if (c.frame9 >= 0) {
        EXPECT_EQ(run.uncovered(9), c.frame9);
    }
    if (c.frame10 >= 0) {
        EXPECT_EQ(run.uncovered(10), c.frame10);
    }
    EXPECT_EQ(run.uncovered(11), c.frame11);
    const Raster frame5 = run.rig.frame(5);
    for (int y = 0; y < 208; ++y)
        for (int x = 0; x < 176; ++x)
            ASSERT_TRUE(frame5.pixel(x, y) == kPlain || frame5.pixel(x, y) == c.stroke) << x;
    EXPECT_EQ(run.rig.random.seed(), [] {
        EffectRandom reference;
        for (int i = 0; i < 6936; ++i)
            reference.random(2);
        return reference.seed();
    }());
}

INSTANTIATE_TEST_SUITE_P(Scatter, ScatterCoverTest,
                         ::testing::Values(CoverCase{29, colors::black, 30580, 395, 39, 0},
                                           CoverCase{44, colors::white, 30580, 395, 39, 0},
                                           CoverCase{26, colors::black, 30741, -1, -1, 2},
                                           CoverCase{28, colors::white, 30741, -1, -1, 2}));

TEST(ScatteredRestoration, RightToLeftNeverReachesTwoPixelsOfColumnZero) {
    ScatterRun run(kTagScatterLeftBlack);
    const Raster last = run.rig.frame(11);
    EXPECT_EQ(last.pixel(0, 104), kPlain);
    EXPECT_EQ(last.pixel(0, 105), kPlain);
}

TEST(ScatteredRestoration, RestoreHoldsTheScatterFramesInReverseOrder) {
    for (auto [scatter, restore] :
         {std::pair{29, 40}, std::pair{44, 41}, std::pair{26, 42}, std::pair{28, 43}}) {
        ScatterRun forward(scatter);
        ScatterRun backward(restore);
        for (int k = 0; k < 12; ++k) {
            const Raster a = forward.rig.frame(k);
            const Raster b = backward.rig.frame(11 - k);
            for (int y = 0; y < 208; ++y)
                for (int x = 0; x < 176; ++x)
                    ASSERT_EQ(a.pixel(x, y), b.pixel(x, y)) << restore << " frame " << 11 - k;
        }
    }
}

TEST(ScatteredRestoration, LeavesThePreviewTimerAlone) {
    EffectRig rig;
    rig.preview.PreviewFrame = 3;
    int changes = 0;
    rig.preview.setTimer2Observer([&](bool) { ++changes; });
    EffectContext context = rig.context();
    ScatteredRestoration(context, kTagRestoreLeftWhite);
    EXPECT_EQ(changes, 0);
    EXPECT_FALSE(rig.preview.timer2Enabled());
    EXPECT_EQ(rig.preview.PreviewFrame, 3);
}

}  // namespace
}  // namespace felmo
