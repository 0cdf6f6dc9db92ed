#include "effects/motion.hpp"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "base/error.hpp"
#include "effect_rig.hpp"
#include "platform/file_io.hpp"
#include "raster/canvas.hpp"

namespace felmo {
namespace {

using testing::columnColour;
using testing::EffectRig;
using testing::kMarker;
using testing::makePicture;
using testing::rowColour;
using testing::showsStripAt;

using Positions = std::array<int, 12>;

// --- Where the windows onto the strip fall ------------------------------------------------------

struct SlideCase {
    const char* name;
    int along, across;              // picture size along and across the motion
    int screenAlong, screenAcross;  // 176, 208 for the horizontal slide; 208, 176 vertical
    bool towardsEnd;                // tags 9 and 11
    int paintedLength;
    Positions positions;
    friend void PrintTo(const SlideCase& c, std::ostream* os) { *os << c.name; }
};

class SlidePlanTest : public ::testing::TestWithParam<SlideCase> {};

TEST_P(SlidePlanTest, PositionsAreTruncatedExactProducts) {
    const SlideCase& c = GetParam();
    const SlidePlan plan =
        planSlide(c.along, c.across, c.screenAlong, c.screenAcross, c.towardsEnd);
    EXPECT_EQ(plan.paintedLength, c.paintedLength);
    EXPECT_EQ(plan.positions, c.positions);
}

// The end-to-end cases below check the other variants' positions frame by frame.
INSTANTIATE_TEST_SUITE_P(
    Slides, SlidePlanTest,
    ::testing::Values(SlideCase{"Photo640x480Left",
                                640,
                                480,
                                176,
                                208,
                                false,
                                277,
                                {0, -9, -18, -27, -36, -46, -55, -64, -73, -82, -92, -101}},
                      // 11 x step is just under 1824: the first window starts at -1823.
                      SlideCase{"Panorama2000Right",
                                2000,
                                208,
                                176,
                                208,
                                true,
                                2000,
                                {-1823, -1658, -1492, -1326, -1160, -994, -829, -663, -497, -331,
                                 -165, 0}},
                      // Narrower than the screen: a negative step and positive positions.
                      SlideCase{"Narrow100Left",
                                100,
                                208,
                                176,
                                208,
                                false,
                                100,
                                {0, 6, 13, 20, 27, 34, 41, 48, 55, 62, 69, 76}}),
    [](const ::testing::TestParamInfo<SlideCase>& testCase) {
        return std::string(testCase.param.name);
    });

TEST(SlidePlan, EmptyPictureIsAnErrorNotADivisionByZero) {
    EXPECT_THROW(planSlide(100, 0, 176, 208, true), Error);
    EXPECT_THROW(planSlide(0, 208, 176, 208, true), Error);
}

// --- The slides end to end ----------------------------------------------------------------------

// Runs a slide and checks every frame file against the strip the run left, window by window;
// `earlier` is what the frame surface held before the run.
void expectFramesAreWindows(EffectRig& rig, const Raster& strip, const Raster& earlier,
                            const Positions& positions, bool horizontal) {
    Raster previous = earlier;
    for (int n = 0; n < 12; ++n) {
        const Raster frame = rig.frame(n);
        ASSERT_EQ(frame.width(), 176);
        ASSERT_EQ(frame.height(), 208);
        const int x = horizontal ? positions[n] : 0;
        const int y = horizontal ? 0 : positions[n];
        EXPECT_TRUE(showsStripAt(frame, strip, x, y, previous)) << "frame " << n;
        previous = frame;
    }
}

Raster markerSurface() {
    return Raster(176, 208, kMarker);
}

struct EndToEndCase {
    const char* name;
    int tag;
    int width, height;
    Positions positions;
    friend void PrintTo(const EndToEndCase& c, std::ostream* os) { *os << c.name; }
};

class SlideEndToEndTest : public ::testing::TestWithParam<EndToEndCase> {};

TEST_P(SlideEndToEndTest, FramesAreWindowsOntoTheFittedStrip) {
    const EndToEndCase& c = GetParam();
    const bool horizontal = c.tag == kTagSlideRight || c.tag == kTagSlideLeft;
    EffectRig rig;
    rig.work.LeavingPicture.setPicture(markerSurface());
    rig.offerPicture(makePicture(c.width, c.height, horizontal ? columnColour : rowColour));

    EffectContext context = rig.context();
    (horizontal ? MoveRightLeft : MoveUpDown)(context, c.tag);

    const Image& stripImage =
        horizontal ? rig.work.HorizontalSlideStrip : rig.work.VerticalSlideStrip;
    ASSERT_TRUE(stripImage.hasPicture());
    const Raster& strip = *stripImage.picture();
    EXPECT_EQ(strip.width(), horizontal ? 2112 : 176);
    EXPECT_EQ(strip.height(), horizontal ? 208 : 2496);
    expectFramesAreWindows(rig, strip, markerSurface(), c.positions, horizontal);
}

INSTANTIATE_TEST_SUITE_P(
    Slides, SlideEndToEndTest,
    ::testing::Values(
        EndToEndCase{"Tag9Wide352",
                     9,
                     352,
                     208,
                     {-176, -160, -144, -128, -112, -96, -80, -64, -48, -32, -16, 0}},
        EndToEndCase{"Tag10Wide352",
                     10,
                     352,
                     208,
                     {0, -16, -32, -48, -64, -80, -96, -112, -128, -144, -160, -176}},
        EndToEndCase{"Tag9Photo640x480",
                     9,
                     640,
                     480,
                     {-101, -92, -82, -73, -64, -55, -46, -36, -27, -18, -9, 0}},
        EndToEndCase{"Tag9Panorama2000",
                     9,
                     2000,
                     208,
                     {-1823, -1658, -1492, -1326, -1160, -994, -829, -663, -497, -331, -165, 0}},
        EndToEndCase{"Tag11Tall2000",
                     11,
                     176,
                     2000,
                     {-1791, -1629, -1466, -1303, -1140, -977, -814, -651, -488, -325, -162, 0}},
        EndToEndCase{"Tag12Tall416",
                     12,
                     176,
                     416,
                     {0, -18, -37, -56, -75, -94, -113, -132, -151, -170, -189, -208}},
        EndToEndCase{"Tag9Narrow100", 9, 100, 208, {76, 69, 62, 55, 48, 41, 34, 27, 20, 13, 6, 0}}),
    [](const ::testing::TestParamInfo<EndToEndCase>& testCase) {
        return std::string(testCase.param.name);
    });

TEST(MoveRightLeft, StripIsTheSqueezedPictureThenWhite) {
    EffectRig rig;
    rig.offerPicture(makePicture(640, 480, columnColour));
    EffectContext context = rig.context();
    MoveRightLeft(context, kTagSlideRight);

    const Raster& strip = *rig.work.HorizontalSlideStrip.picture();
    // 640 x 480 fitted to height 208 is 277.33 wide: 277 columns of picture, then the new strip.
    EXPECT_EQ(strip.pixel(0, 0), columnColour(0, 0));
    EXPECT_NE(strip.pixel(276, 100), colors::white);
    for (int x : {277, 1000, 2111})
        EXPECT_EQ(strip.pixel(x, 100), colors::white) << x;
}

TEST(MoveRightLeft, NarrowPictureKeepsEarlierFrameLeftAndEarlierStripBeyond) {
    EffectRig rig;
    // A first run leaves a 352-wide picture on the strip.
    rig.offerPicture(makePicture(352, 208, columnColour), "first.bmp");
    EffectContext context = rig.context();
    MoveRightLeft(context, kTagSlideRight);

    rig.work.LeavingPicture.setPicture(markerSurface());
    const Raster narrow = makePicture(100, 208, [](int x, int y) {
        return rgb(200, static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y));
    });
    rig.offerPicture(narrow, "narrow.bmp");
    MoveRightLeft(context, kTagSlideRight);

    // Frame 0 at x = 76: columns 0..75 are the earlier surface, 76..175 the picture.
    const Raster frame0 = rig.frame(0);
    for (int x = 0; x < 76; ++x)
        ASSERT_EQ(frame0.pixel(x, 5), kMarker) << x;
    for (int x = 76; x < 176; ++x)
        ASSERT_EQ(frame0.pixel(x, 5), narrow.pixel(x - 76, 5)) << x;
    // Frame 1 at x = 69: left of it frame 0 stays, after the picture the earlier run's strip.
    const Raster frame1 = rig.frame(1);
    for (int x = 0; x < 69; ++x)
        ASSERT_EQ(frame1.pixel(x, 7), frame0.pixel(x, 7)) << x;
    for (int x = 69; x < 169; ++x)
        ASSERT_EQ(frame1.pixel(x, 7), narrow.pixel(x - 69, 7)) << x;
    for (int x = 169; x < 176; ++x)
        ASSERT_EQ(frame1.pixel(x, 7), columnColour(x - 69, 7)) << x;
    // Frame 11 at x = 0: the picture, then the earlier picture's columns 100..175.
    const Raster frame11 = rig.frame(11);
    EXPECT_EQ(frame11.pixel(99, 0), narrow.pixel(99, 0));
    EXPECT_EQ(frame11.pixel(100, 0), columnColour(100, 0));
    EXPECT_EQ(frame11.pixel(175, 207), columnColour(175, 207));
}

TEST(MoveRightLeft, NarrowPictureOnANewStripShowsWhiteBeyondIt) {
    EffectRig rig;
    rig.offerPicture(makePicture(100, 208, columnColour));
    EffectContext context = rig.context();
    MoveRightLeft(context, kTagSlideRight);
    const Raster frame1 = rig.frame(1);
    for (int x = 169; x < 176; ++x)
        EXPECT_EQ(frame1.pixel(x, 0), colors::white) << x;
}

TEST(MoveRightLeft, PictureWiderThanTheStripIsCutAt2112) {
    EffectRig rig;
    rig.work.LeavingPicture.setPicture(markerSurface());
    rig.offerPicture(makePicture(2200, 208, columnColour));
    EffectContext context = rig.context();
    MoveRightLeft(context, kTagSlideRight);

    const Raster& strip = *rig.work.HorizontalSlideStrip.picture();
    EXPECT_EQ(strip.width(), 2112);
    EXPECT_EQ(strip.pixel(2111, 0), columnColour(2111, 0));
    // step = 2024 / 11 = 184: frame 0 at -2024 sees strip columns 2024..2111, then nothing.
    const Raster frame0 = rig.frame(0);
    EXPECT_EQ(frame0.pixel(0, 0), columnColour(2024, 0));
    EXPECT_EQ(frame0.pixel(87, 0), columnColour(2111, 0));
    for (int x = 88; x < 176; ++x)
        ASSERT_EQ(frame0.pixel(x, 50), kMarker) << x;
    // Frame 1 at -1840 lies inside the strip.
    EXPECT_EQ(rig.frame(1).pixel(175, 50), columnColour(2015, 50));
}

// --- Preview, cancel and failures of the slides -------------------------------------------------

class SlideHandlerTest : public ::testing::TestWithParam<int> {
  protected:
    void run(EffectRig& rig) {
        EffectContext context = rig.context();
        const int tag = GetParam();
        (tag <= kTagSlideLeft ? MoveRightLeft : MoveUpDown)(context, tag);
    }
};

TEST_P(SlideHandlerTest, PreviewIsStoppedRewoundAndRestarted) {
    EffectRig rig;
    rig.preview.enableTimer2();
    rig.preview.PreviewFrame = 7;
    std::vector<bool> changes;
    rig.preview.setTimer2Observer([&](bool enabled) { changes.push_back(enabled); });
    rig.offerPicture(makePicture(300, 300, columnColour));
    run(rig);
    EXPECT_EQ(changes, (std::vector<bool>{false, true}));
    EXPECT_TRUE(rig.preview.timer2Enabled());
    EXPECT_EQ(rig.preview.PreviewFrame, 0);
}

TEST_P(SlideHandlerTest, CancelWritesNoFrameAndRestartsThePreviewFromFrameZero) {
    EffectRig rig;
    rig.fillFrames(kMarker);
    rig.preview.enableTimer2();
    rig.preview.PreviewFrame = 4;
    rig.nextPicture.reset();
    run(rig);
    EXPECT_EQ(rig.dialogCalls, 1);
    EXPECT_TRUE(rig.load.LoadCancelled);
    EXPECT_TRUE(rig.preview.timer2Enabled());
    EXPECT_EQ(rig.preview.PreviewFrame, 0);
    for (int k = 0; k < 12; ++k)
        EXPECT_EQ(rig.frame(k).pixel(10, 10), kMarker) << k;
}

TEST_P(SlideHandlerTest, UnreadablePictureEndsTheCommandBeforeAnyFrame) {
    EffectRig rig;
    const std::filesystem::path bad = rig.workDir() / "bad.bmp";
    const std::uint8_t junk[] = {'B', 'M', 1, 2, 3};
    writeFileAtomically(bad, junk);
    rig.nextPicture = bad;
    EXPECT_THROW(run(rig), Error);
    EXPECT_FALSE(std::filesystem::exists(frameFilePath(rig.workDir(), 0)));
    EXPECT_TRUE(rig.load.LoadedPicture.empty());
}

TEST_P(SlideHandlerTest, UnwritableFrameIsReportedWithItsPath) {
    EffectRig rig;
    std::filesystem::remove_all(rig.workDir() / "startup");
    rig.offerPicture(makePicture(400, 400, columnColour));
    try {
        run(rig);
        FAIL() << "no error";
    } catch (const Error& error) {
        const std::string expected =
            "Cannot create file \"" + frameFilePath(rig.workDir(), 0).string() + "\". ";
        EXPECT_EQ(std::string(error.what()).substr(0, expected.size()), expected);
    }
}

INSTANTIATE_TEST_SUITE_P(AllSlides, SlideHandlerTest, ::testing::Values(9, 10, 11, 12));

TEST(Slides, UnknownTagIsRefused) {
    EffectRig rig;
    EffectContext context = rig.context();
    EXPECT_THROW(MoveRightLeft(context, 11), Error);
    EXPECT_THROW(MoveUpDown(context, 9), Error);
    EXPECT_THROW(ApproachPostpone(context, 17), Error);
    EXPECT_EQ(rig.dialogCalls, 0);
}

// --- Zoom in place ------------------------------------------------------------------------------

// The drawings as (left, top, right, bottom), smallest first.
constexpr std::array<Rect, 12> kDrawings = {{
    {77, 91, 99, 117},
    {70, 83, 106, 125},
    {63, 74, 113, 133},
    {56, 66, 120, 141},
    {49, 58, 127, 150},
    {42, 50, 134, 158},
    {35, 41, 141, 166},
    {28, 33, 148, 174},
    {21, 25, 155, 183},
    {14, 17, 162, 191},
    {7, 8, 169, 199},
    {0, 0, 176, 208},
}};

Color splashColour(int x, int y) {
    return rgb(static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 99);
}

// Drawing n alone on a field of the corner colour.
Raster expectedDrawing(const Raster& splash, int n) {
    Raster expected(176, 208, splash.pixel(0, 0));
    Canvas(expected).stretchDraw(kDrawings[n], splash);
    return expected;
}

::testing::AssertionResult samePixels(const Raster& actual, const Raster& expected) {
    if (actual.width() != expected.width() || actual.height() != expected.height())
        return ::testing::AssertionFailure()
               << "size " << actual.width() << " x " << actual.height();
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            if (actual.pixel(x, y) != expected.pixel(x, y))
                return ::testing::AssertionFailure()
                       << "pixel (" << x << ", " << y << ") is " << std::hex << actual.pixel(x, y)
                       << ", expected " << expected.pixel(x, y);
    return ::testing::AssertionSuccess();
}

TEST(ApproachPostpone, ZoomInGrowsFromTheSmallestCopy) {
    EffectRig rig;
    const Raster splash = makePicture(176, 208, splashColour);
    rig.stills.SplashscreenPicture.setPicture(splash);
    EffectContext context = rig.context();
    ApproachPostpone(context, kTagZoomIn);
    for (int n = 0; n < 12; ++n)
        EXPECT_TRUE(samePixels(rig.frame(n), expectedDrawing(splash, n))) << "frame " << n;
    EXPECT_EQ(rig.dialogCalls, 0);
}

TEST(ApproachPostpone, ZoomOutStoresDrawingNAsFrameElevenMinusN) {
    EffectRig rig;
    const Raster splash = makePicture(176, 208, splashColour);
    rig.stills.SplashscreenPicture.setPicture(splash);
    EffectContext context = rig.context();
    ApproachPostpone(context, kTagZoomOut);

    EXPECT_TRUE(samePixels(rig.frame(0), splash));
    const Raster last = rig.frame(11);
    const Color corner = splash.pixel(0, 0);
    for (int y = 0; y < 208; ++y) {
        for (int x = 0; x < 176; ++x) {
            const bool inside = x >= 77 && x < 99 && y >= 91 && y < 117;
            if (!inside) {
                ASSERT_EQ(last.pixel(x, y), corner) << x << ", " << y;
            }
        }
    }
    EXPECT_EQ(last.pixel(77, 91), splash.pixel(0, 0));
    for (int n = 0; n < 12; ++n)
        EXPECT_TRUE(samePixels(rig.frame(11 - n), expectedDrawing(splash, n))) << "drawing " << n;
}

TEST(ApproachPostpone, PureRedOnTheOldSurfaceBoundsTheBackgroundFill) {
    EffectRig rig;
    const Raster splash = makePicture(176, 208, splashColour);
    rig.stills.SplashscreenPicture.setPicture(splash);
    // The surface as an earlier run left it, with a pure red wall at column 10.
    Raster old(176, 208, kMarker);
    for (int y = 0; y < 208; ++y)
        old.setPixel(10, y, colors::red);
    rig.work.ZoomSurface.setPicture(old);

    EffectContext context = rig.context();
    ApproachPostpone(context, kTagZoomIn);
    const Raster frame0 = rig.frame(0);
    const Color corner = splash.pixel(0, 0);
    EXPECT_EQ(frame0.pixel(9, 0), corner);
    EXPECT_EQ(frame0.pixel(10, 0), colors::red);
    EXPECT_EQ(frame0.pixel(11, 0), kMarker);  // beyond the wall the old surface stays
    EXPECT_EQ(frame0.pixel(175, 207), kMarker);
    // The smallest copy is drawn over whatever the fills left.
    EXPECT_EQ(frame0.pixel(98, 116), expectedDrawing(splash, 0).pixel(98, 116));
}

TEST(ApproachPostpone, PureRedCornerIsRepaintedByTheSecondFill) {
    EffectRig rig;
    Raster splash = makePicture(176, 208, splashColour);
    rig.stills.SplashscreenPicture.setPicture(splash);
    rig.work.ZoomSurface.setPicture(Raster(176, 208, colors::red));
    EffectContext context = rig.context();
    ApproachPostpone(context, kTagZoomIn);
    EXPECT_TRUE(samePixels(rig.frame(0), expectedDrawing(splash, 0)));
}

TEST(ApproachPostpone, LeavesThePreviewIndexAndStartsTheTimer) {
    EffectRig rig;
    rig.preview.PreviewFrame = 5;
    EffectContext context = rig.context();
    ApproachPostpone(context, kTagZoomOut);
    EXPECT_EQ(rig.preview.PreviewFrame, 5);
    EXPECT_TRUE(rig.preview.timer2Enabled());
    // A splash preview with no picture yet is a white screen.
    EXPECT_EQ(rig.frame(5).pixel(0, 0), colors::white);
}

}  // namespace
}  // namespace felmo
