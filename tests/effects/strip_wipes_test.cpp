#include "effects/strip_wipes.hpp"

#include <gtest/gtest.h>

#include "effect_rig.hpp"

namespace felmo {
namespace {

using testing::columnColour;
using testing::EffectRig;
using testing::kMarker;
using testing::makePicture;

Color oldColour(int x, int y) {
    return rgb(static_cast<std::uint8_t>(y), 7, static_cast<std::uint8_t>(x));
}

// The new picture: 2 x 2 blocks of a 352 x 416 picture, so fitting it to the screen is an exact
// halving whatever pixel of a block the stretch picks.
Color newColour(int x, int y) {
    return rgb(static_cast<std::uint8_t>(x / 2), static_cast<std::uint8_t>(y / 2), 201);
}

struct WipeRun {
    EffectRig rig;
    Raster old = makePicture(176, 208, oldColour);

    explicit WipeRun(int tag, bool horizontal) {
        rig.stills.SplashscreenPicture.setPicture(old);
        rig.work.LeavingPicture.setPicture(Raster(176, 208, kMarker));
        rig.offerPicture(makePicture(352, 416, newColour));
        EffectContext context = rig.context();
        (horizontal ? HorizontalStrips : VerticalStrips)(context, tag);
    }
};

// Pixel (x, y) of the fitted new picture.
Color fitted(int x, int y) {
    return newColour(2 * x, 2 * y);
}

// Whether line `line` (0..11 within its band) has been taken over after frame f.
bool takenOver(int line, int f, bool firstLineFirst) {
    return firstLineFirst ? line <= f : line >= 11 - f;
}

struct WipeCase {
    const char* name;
    int tag;
    bool horizontal;
    bool firstLineFirst;
    friend void PrintTo(const WipeCase& c, std::ostream* os) { *os << c.name; }
};

class WipeFramesTest : public ::testing::TestWithParam<WipeCase> {};

// Every frame against the expected result: taken-over columns are white on top and the new
// picture one row down; taken-over rows keep the old column 0, are white in column 1 and show the
// new picture two columns to the right; everything else is the old picture.
TEST_P(WipeFramesTest, EveryFrameShowsTheTakenOverLinesShifted) {
    const WipeCase& c = GetParam();
    WipeRun run(c.tag, c.horizontal);
    for (int f = 0; f < 12; ++f) {
        const Raster frame = run.rig.frame(f);
        ASSERT_EQ(frame.width(), 176);
        ASSERT_EQ(frame.height(), 208);
        for (int y = 0; y < 208; ++y) {
            for (int x = 0; x < 176; ++x) {
                Color expected = oldColour(x, y);
                if (c.horizontal && takenOver(y % 12, f, c.firstLineFirst) && x > 0)
                    expected = x == 1 ? colors::white : fitted(x - 2, y);
                if (!c.horizontal && takenOver(x % 12, f, c.firstLineFirst))
                    expected = y == 0 ? colors::white : fitted(x, y - 1);
                ASSERT_EQ(frame.pixel(x, y), expected)
                    << "frame " << f << " pixel (" << x << ", " << y << ")";
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Wipes, WipeFramesTest,
                         ::testing::Values(WipeCase{"Tag71Down", 71, true, true},
                                           WipeCase{"Tag72Up", 72, true, false},
                                           WipeCase{"Tag73Right", 73, false, true},
                                           WipeCase{"Tag74Left", 74, false, false},
                                           WipeCase{"OtherHorizontalTagRunsUp", 0, true, false},
                                           WipeCase{"OtherVerticalTagRunsLeft", 75, false, false}),
                         [](const ::testing::TestParamInfo<WipeCase>& testCase) {
                             return std::string(testCase.param.name);
                         });

TEST(StripWipes, ScratchRastersKeepTheirWhiteCornerAcrossRuns) {
    WipeRun run(kTagBlindsRight, false);
    EffectContext context = run.rig.context();
    run.rig.offerPicture(makePicture(176, 208, columnColour), "second.bmp");
    VerticalStrips(context, kTagBlindsRight);
    HorizontalStrips(context, kTagBlindsDown);
    EXPECT_EQ(run.rig.work.StripWipeColumn.picture()->pixel(0, 0), colors::white);
    EXPECT_EQ(run.rig.work.StripWipeRow.picture()->pixel(0, 0), colors::white);
    EXPECT_EQ(run.rig.work.StripWipeColumn.picture()->width(), 1);
    EXPECT_EQ(run.rig.work.StripWipeRow.picture()->height(), 1);
    const Raster last = run.rig.frame(11);
    EXPECT_EQ(last.pixel(1, 0), colors::white);
    EXPECT_EQ(last.pixel(2, 0), columnColour(0, 0));
}

class WipeHandlerTest : public ::testing::TestWithParam<int> {};

TEST_P(WipeHandlerTest, CancelWritesNoFrameAndLeavesThePreviewAlone) {
    EffectRig rig;
    rig.fillFrames(kMarker);
    rig.preview.PreviewFrame = 6;
    rig.nextPicture.reset();
    EffectContext context = rig.context();
    (GetParam() <= kTagBlindsUp ? HorizontalStrips : VerticalStrips)(context, GetParam());
    EXPECT_EQ(rig.dialogCalls, 1);
    EXPECT_FALSE(rig.preview.timer2Enabled());
    EXPECT_EQ(rig.preview.PreviewFrame, 6);
    for (int k = 0; k < 12; ++k)
        EXPECT_EQ(rig.frame(k).pixel(3, 3), kMarker) << k;
}

TEST_P(WipeHandlerTest, RunLeavesThePreviewTimerAlone) {
    EffectRig rig;
    rig.preview.enableTimer2();
    rig.preview.PreviewFrame = 9;
    int changes = 0;
    rig.preview.setTimer2Observer([&](bool) { ++changes; });
    rig.offerPicture(makePicture(100, 100, columnColour));
    EffectContext context = rig.context();
    (GetParam() <= kTagBlindsUp ? HorizontalStrips : VerticalStrips)(context, GetParam());
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(rig.preview.PreviewFrame, 9);
    EXPECT_TRUE(std::filesystem::exists(frameFilePath(rig.workDir(), 11)));
}

INSTANTIATE_TEST_SUITE_P(AllWipes, WipeHandlerTest, ::testing::Values(71, 72, 73, 74));

}  // namespace
}  // namespace felmo
