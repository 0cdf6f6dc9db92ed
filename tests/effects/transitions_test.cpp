#include "effects/transitions.hpp"

#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

#include "base/error.hpp"
#include "effect_rig.hpp"

namespace felmo {
namespace {

using testing::EffectRig;
using testing::kMarker;
using testing::makePicture;

// --- Dot dissolve -------------------------------------------------------------------------------

TEST(DotDissolve, FirstCellsAndAttemptsPerFrameAfterAFreshStart) {
    EffectRandom random;
    DotCellsUsed used{};
    std::vector<int> attempts;
    std::vector<DotCell> first;
    for (int n = 0; n < 11; ++n) {
        const DotPick pick = pickDotCells(random, used, kDotCellsPerFrame);
        ASSERT_EQ(pick.cells.size(), 762u);
        attempts.push_back(pick.attempts);
        if (n == 0)
            first.assign(pick.cells.begin(), pick.cells.begin() + 5);
    }
    EXPECT_EQ(first, (std::vector<DotCell>{{2, 0}, {17, 89}, {59, 28}, {14, 33}, {37, 38}}));
    EXPECT_EQ(attempts,
              (std::vector<int>{790, 880, 977, 1107, 1187, 1422, 1761, 2122, 2614, 3593, 6408}));
    EXPECT_EQ(std::count(used.begin(), used.end(), false), 770);
}

TEST(DotDissolve, AskingForMoreCellsThanAreLeftIsAnError) {
    EffectRandom random;
    DotCellsUsed used{};
    used.fill(true);
    used[5] = false;
    EXPECT_EQ(pickDotCells(random, used, 1).cells, (std::vector<DotCell>{{5, 0}}));
    EXPECT_THROW(pickDotCells(random, used, 1), Error);
}

Color oldColour(int x, int y) {
    return rgb(static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 10);
}
Color newColour(int x, int y) {
    return rgb(static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 220);
}

// Which cells of a frame show the new picture; every cell must be wholly old or wholly new.
std::set<std::pair<int, int>> newCells(const Raster& frame) {
    std::set<std::pair<int, int>> cells;
    for (int r = 0; r < 104; ++r) {
        for (int c = 0; c < 88; ++c) {
            int fresh = 0;
            for (int y = 2 * r; y < 2 * r + 2; ++y) {
                for (int x = 2 * c; x < 2 * c + 2; ++x) {
                    const Color pixel = frame.pixel(x, y);
                    EXPECT_TRUE(pixel == oldColour(x, y) || pixel == newColour(x, y))
                        << x << ", " << y;
                    fresh += pixel == newColour(x, y);
                }
            }
            EXPECT_TRUE(fresh == 0 || fresh == 4) << "cell " << c << ", " << r;
            if (fresh == 4)
                cells.insert({c, r});
        }
    }
    return cells;
}

TEST(TransformationFromPicture, FramesGrowByTheCellsAsTheyComeUp) {
    EffectRig rig;
    rig.stills.SplashscreenPicture.setPicture(makePicture(176, 208, oldColour));
    rig.work.LeavingPicture.setPicture(Raster(176, 208, kMarker));
    rig.offerPicture(makePicture(176, 208, newColour));
    EffectContext context = rig.context();
    TransformationFromPicture(context);

    // The same draws from a second generator tell which cells each frame must add.
    EffectRandom reference;
    DotCellsUsed used{};
    std::set<std::pair<int, int>> expected;
    for (int n = 0; n < 11; ++n) {
        for (const DotCell& cell : pickDotCells(reference, used, kDotCellsPerFrame).cells)
            expected.insert({cell.column, cell.row});
        const Raster frame = rig.frame(n);
        ASSERT_EQ(frame.width(), 176);
        ASSERT_EQ(newCells(frame), expected) << "frame " << n;
    }
    EXPECT_EQ(expected.size(), 8382u);
    EXPECT_EQ(rig.frame(0).pixel(4, 0), newColour(4, 0));
    EXPECT_EQ(rig.frame(0).pixel(5, 1), newColour(5, 1));
    EXPECT_EQ(newCells(rig.frame(11)).size(), 9152u);
    EXPECT_EQ(rig.random.seed(), reference.seed());  // 45,722 draws
}

TEST(TransformationFromPicture, SecondRunStartsAfreshAndDrawsOtherCells) {
    EffectRig rig;
    rig.stills.SplashscreenPicture.setPicture(makePicture(176, 208, oldColour));
    rig.offerPicture(makePicture(352, 416, [](int x, int y) { return newColour(x / 2, y / 2); }));
    EffectContext context = rig.context();
    TransformationFromPicture(context);
    const auto firstRun = newCells(rig.frame(0));
    TransformationFromPicture(context);
    const auto secondRun = newCells(rig.frame(0));
    EXPECT_EQ(secondRun.size(), 762u);
    EXPECT_NE(firstRun, secondRun);
    EXPECT_EQ(newCells(rig.frame(10)).size(), 8382u);
}

TEST(TransformationFromPicture, PreviewIsStoppedRewoundAndRestartedAlsoOnCancel) {
    for (bool cancel : {false, true}) {
        EffectRig rig;
        rig.fillFrames(kMarker);
        rig.preview.enableTimer2();
        rig.preview.PreviewFrame = 7;
        std::vector<bool> changes;
        rig.preview.setTimer2Observer([&](bool enabled) { changes.push_back(enabled); });
        if (cancel)
            rig.nextPicture.reset();
        else
            rig.offerPicture(makePicture(50, 60, newColour));
        EffectContext context = rig.context();
        TransformationFromPicture(context);
        EXPECT_EQ(changes, (std::vector<bool>{false, true})) << cancel;
        EXPECT_EQ(rig.preview.PreviewFrame, 0) << cancel;
        EXPECT_EQ(rig.frame(11).pixel(0, 0) == kMarker, cancel);
        EXPECT_EQ(rig.random.seed() == 0, cancel);
    }
}

// --- Cross-fade ---------------------------------------------------------------------------------

// Old red 0 and green 255, new red 255 and green 0; blue 100 in both, which no blend changes.
constexpr Color kOld = rgb(0, 255, 100);
constexpr Color kNew = rgb(255, 0, 100);

struct FadeRun {
    EffectRig rig;
    explicit FadeRun(const Raster& newPicture, PickedRGB picked = PickedRGB{1, 2, 3},
                     const Raster& old = Raster(176, 208, kOld)) {
        rig.stills.SplashscreenPicture.setPicture(old);
        rig.picked = picked;
        rig.offerPicture(newPicture);
        EffectContext context = rig.context();
        Display(context);
    }
    std::vector<int> red(int x, int y) const { return channel(x, y, true); }
    std::vector<int> green(int x, int y) const { return channel(x, y, false); }

  private:
    std::vector<int> channel(int x, int y, bool red) const {
        std::vector<int> values;
        for (int k = 0; k < 12; ++k) {
            const Color pixel = rig.frame(k).pixel(x, y);
            values.push_back(red ? redOf(pixel) : greenOf(pixel));
        }
        return values;
    }
};

TEST(Display, ChannelsMoveByTheRisingOpacities) {
    FadeRun run(Raster(176, 208, kNew));
    using V = std::vector<int>;
    EXPECT_EQ(run.red(50, 60), (V{10, 29, 55, 86, 119, 151, 179, 202, 220, 233, 242, 248}));
    EXPECT_EQ(run.green(175, 207), (V{245, 225, 198, 166, 133, 101, 73, 50, 32, 19, 10, 5}));
    // Pixel (0, 0) is blended five times per frame, the rest of row 0 and column 0 twice.
    EXPECT_EQ(run.red(0, 0), (V{44, 114, 178, 221, 242, 250, 252, 252, 253, 253, 253, 253}));
    const V twice{19, 54, 97, 142, 181, 211, 231, 243, 249, 252, 253, 253};
    EXPECT_EQ(run.red(1, 0), twice);
    EXPECT_EQ(run.red(175, 0), twice);
    EXPECT_EQ(run.red(0, 207), twice);
    EXPECT_EQ(blueOf(run.rig.frame(11).pixel(9, 9)), 100);
}

TEST(Display, MagentaAndPickedColourOfTheNewPictureKeepTheOldOne) {
    constexpr Color picked = rgb(12, 34, 56);
    Raster picture(176, 208, kNew);
    for (int x = 20; x < 30; ++x) {
        picture.setPixel(x, 40, kCrossFadeKeyColour);
        picture.setPixel(x, 41, picked);
    }
    FadeRun run(picture, PickedRGB::of(picked));
    for (int k = 0; k < 12; ++k) {
        const Raster frame = run.rig.frame(k);
        EXPECT_EQ(frame.pixel(25, 40), kOld) << k;
        EXPECT_EQ(frame.pixel(25, 41), kOld) << k;
        EXPECT_NE(frame.pixel(25, 42), kOld) << k;
    }
}

TEST(Display, OldPictureSmallerThanTheScreenIsNeverBlended) {
    Raster old = makePicture(100, 120, oldColour);
    FadeRun run(Raster(176, 208, kNew), PickedRGB{1, 2, 3}, old);
    for (int k : {0, 11}) {
        const Raster frame = run.rig.frame(k);
        ASSERT_EQ(frame.width(), 100);
        ASSERT_EQ(frame.height(), 120);
        EXPECT_EQ(frame.pixel(99, 119), oldColour(99, 119));
    }
}

TEST(Display, LeavesThePreviewAloneAndCancelWritesNothing) {
    for (bool cancel : {false, true}) {
        EffectRig rig;
        rig.fillFrames(kMarker);
        rig.preview.PreviewFrame = 4;
        int changes = 0;
        rig.preview.setTimer2Observer([&](bool) { ++changes; });
        if (cancel)
            rig.nextPicture.reset();
        else
            rig.offerPicture(Raster(30, 30, kNew));
        EffectContext context = rig.context();
        Display(context);
        EXPECT_EQ(changes, 0);
        EXPECT_EQ(rig.preview.PreviewFrame, 4);
        EXPECT_EQ(rig.dialogCalls, 1);
        EXPECT_EQ(rig.frame(3).pixel(10, 10) == kMarker, cancel);
    }
}

}  // namespace
}  // namespace felmo
