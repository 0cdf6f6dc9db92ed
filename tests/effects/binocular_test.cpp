#include "effects/binocular.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <fstream>

#include "base/error.hpp"
#include "effect_rig.hpp"

namespace felmo {
namespace {

using testing::EffectRig;
using testing::kMarker;
using testing::makePicture;

// A colour of its own for every pixel of a picture up to 1024 x 1024.
Color positionColour(int x, int y) {
    return rgb(static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y),
               static_cast<std::uint8_t>((x >> 8) | (y >> 8) << 2));
}

// --- Geometry -----------------------------------------------------------------------------------

struct AnchorCase {
    const char* name;
    int zoomInTag, zoomOutTag;
    BinocularAnchor anchor;
    Rect lastDrawing640x480;  // drawing 11: the picture at its own size, anchor on anchor
    friend void PrintTo(const AnchorCase& c, std::ostream* os) { *os << c.name; }
};

class BinocularAnchorTest : public ::testing::TestWithParam<AnchorCase> {};

TEST_P(BinocularAnchorTest, TagsSelectTheAnchorThatStaysInPlace) {
    const AnchorCase& c = GetParam();
    EXPECT_EQ(binocularAnchor(c.zoomInTag), c.anchor);
    EXPECT_EQ(binocularAnchor(c.zoomOutTag), c.anchor);
    EXPECT_EQ(binocularDrawing(c.anchor, 640, 480, 11), c.lastDrawing640x480);
    // Drawing 0 is the whole screen whatever the picture.
    for (auto [width, height] : {std::pair{640, 480}, {88, 104}, {1, 1}, {176, 208}})
        EXPECT_EQ(binocularDrawing(c.anchor, width, height, 0), (Rect{0, 0, 176, 208}));
}

INSTANTIATE_TEST_SUITE_P(
    NineAnchors, BinocularAnchorTest,
    ::testing::Values(
        AnchorCase{"Left", 49, 58, BinocularAnchor::Left, {0, -136, 640, 344}},
        AnchorCase{"LeftTop", 50, 59, BinocularAnchor::LeftTop, {0, 0, 640, 480}},
        AnchorCase{"Top", 51, 60, BinocularAnchor::Top, {-232, 0, 408, 480}},
        AnchorCase{"RightTop", 52, 61, BinocularAnchor::RightTop, {-464, 0, 176, 480}},
        AnchorCase{"Right", 53, 62, BinocularAnchor::Right, {-464, -136, 176, 344}},
        AnchorCase{"RightBottom", 54, 63, BinocularAnchor::RightBottom, {-464, -272, 176, 208}},
        AnchorCase{"Bottom", 55, 64, BinocularAnchor::Bottom, {-232, -272, 408, 208}},
        AnchorCase{"LeftBottom", 56, 65, BinocularAnchor::LeftBottom, {0, -272, 640, 208}},
        AnchorCase{"Centre", 57, 66, BinocularAnchor::Centre, {-232, -136, 408, 344}}),
    [](const ::testing::TestParamInfo<AnchorCase>& testCase) {
        return std::string(testCase.param.name);
    });

TEST(BinocularDrawing, CentreOf640x480TruncatesEachProduct) {
    const std::array<Rect, 12> expected = {{
        {0, 0, 176, 208},
        {-21, -12, 197, 220},
        {-42, -24, 218, 233},
        {-63, -37, 239, 245},
        {-84, -49, 260, 257},
        {-105, -61, 281, 270},
        {-126, -74, 303, 282},
        {-147, -86, 324, 295},
        {-168, -98, 345, 307},
        {-189, -111, 366, 319},
        {-210, -123, 387, 332},
        {-232, -136, 408, 344},
    }};
    for (int n = 0; n < 12; ++n)
        EXPECT_EQ(binocularDrawing(BinocularAnchor::Centre, 640, 480, n), expected[n]) << n;
}

TEST(BinocularDrawing, CornerAnchorsKeepTheirCorner) {
    const std::array<std::pair<int, int>, 12> sizes = {{{176, 208},
                                                        {218, 232},
                                                        {260, 257},
                                                        {302, 282},
                                                        {344, 306},
                                                        {386, 331},
                                                        {429, 356},
                                                        {471, 381},
                                                        {513, 405},
                                                        {555, 430},
                                                        {597, 455},
                                                        {640, 480}}};
    for (int n = 0; n < 12; ++n) {
        const auto [width, height] = sizes[n];
        EXPECT_EQ(binocularDrawing(BinocularAnchor::LeftTop, 640, 480, n),
                  (Rect{0, 0, width, height}))
            << n;
        EXPECT_EQ(binocularDrawing(BinocularAnchor::RightBottom, 640, 480, n),
                  (Rect{176 - width, 208 - height, 176, 208}))
            << n;
    }
}

TEST(BinocularDrawing, SmallerPictureShrinksTowardsItsOwnSize) {
    EXPECT_EQ(binocularDrawing(BinocularAnchor::Centre, 88, 104, 1), (Rect{4, 4, 172, 203}));
    EXPECT_EQ(binocularDrawing(BinocularAnchor::Centre, 88, 104, 11), (Rect{44, 52, 132, 156}));
    EXPECT_EQ(binocularDrawing(BinocularAnchor::RightBottom, 88, 104, 11),
              (Rect{88, 104, 176, 208}));
}

TEST(BinocularDrawing, RefusesWhatItCannotPlace) {
    EXPECT_THROW(binocularAnchor(48), Error);
    EXPECT_THROW(binocularAnchor(67), Error);
    EXPECT_THROW(binocularDrawing(BinocularAnchor::Centre, 0, 208, 3), Error);
    EXPECT_THROW(binocularDrawing(BinocularAnchor::Centre, 176, 208, 12), Error);
}

// --- Frames -------------------------------------------------------------------------------------

// Frame pixels against the picture scaled into `rect` by nearest neighbour (source column
// floor(dx * W / width)), everywhere the rect covers the frame.
::testing::AssertionResult showsPictureIn(const Raster& frame, const Raster& picture,
                                          const Rect& rect) {
    for (int y = std::max(rect.top, 0); y < std::min(rect.bottom, 208); ++y) {
        for (int x = std::max(rect.left, 0); x < std::min(rect.right, 176); ++x) {
            const int sx =
                static_cast<int>(std::int64_t{x - rect.left} * picture.width() / rect.width());
            const int sy =
                static_cast<int>(std::int64_t{y - rect.top} * picture.height() / rect.height());
            if (frame.pixel(x, y) != picture.pixel(sx, sy))
                return ::testing::AssertionFailure()
                       << "pixel (" << x << ", " << y << ") is " << std::hex << frame.pixel(x, y)
                       << ", expected picture pixel (" << std::dec << sx << ", " << sy << ")";
        }
    }
    return ::testing::AssertionSuccess();
}

class BinocularFramesTest : public ::testing::TestWithParam<int> {};

// Zoom in and zoom out of every anchor, 640 x 480: the squeezed picture, the cut-out at its own
// size, and one drawing between.
TEST_P(BinocularFramesTest, DrawingsAreScaledViewsStoredInTheirOrder) {
    const int tag = GetParam();
    const bool zoomIn = tag <= kTagBinocularInLast;
    EffectRig rig;
    const Raster picture = makePicture(640, 480, positionColour);
    rig.offerPicture(picture);
    EffectContext context = rig.context();
    ApproachAndDistance(context, tag);
    EXPECT_EQ(rig.dialogCalls, 1);

    const BinocularAnchor anchor = binocularAnchor(tag);
    const Raster squeezed = rig.frame(zoomIn ? 0 : 11);
    const Raster cutOut = rig.frame(zoomIn ? 11 : 0);
    EXPECT_TRUE(showsPictureIn(squeezed, picture, Rect{0, 0, 176, 208}));
    // Unscaled: the frame is the picture moved by the rectangle's start.
    const Rect last = binocularDrawing(anchor, 640, 480, 11);
    for (int y = 0; y < 208; ++y)
        for (int x = 0; x < 176; ++x)
            ASSERT_EQ(cutOut.pixel(x, y), picture.pixel(x - last.left, y - last.top))
                << x << ", " << y;
    EXPECT_TRUE(
        showsPictureIn(rig.frame(zoomIn ? 5 : 6), picture, binocularDrawing(anchor, 640, 480, 5)));
}

INSTANTIATE_TEST_SUITE_P(AllTags, BinocularFramesTest, ::testing::Range(49, 67));

TEST(ApproachAndDistance, ScreenSizedPictureGivesTwelveCopies) {
    EffectRig rig;
    const Raster picture = makePicture(176, 208, positionColour);
    rig.offerPicture(picture);
    EffectContext context = rig.context();
    ApproachAndDistance(context, 53);
    for (int k = 0; k < 12; ++k)
        EXPECT_TRUE(showsPictureIn(rig.frame(k), picture, Rect{0, 0, 176, 208})) << k;
}

// A smaller picture leaves the band around each rectangle as the previous, larger drawing left it.
TEST(ApproachAndDistance, SmallerPictureKeepsTheEarlierDrawingAroundIt) {
    EffectRig rig;
    rig.work.BinocularSurface.setPicture(Raster(176, 208, kMarker));
    const Raster picture = makePicture(88, 104, positionColour);
    rig.offerPicture(picture);
    EffectContext context = rig.context();
    ApproachAndDistance(context, 57);

    const Raster frame1 = rig.frame(1);  // drawing into (4, 4, 172, 203) over drawing 0
    EXPECT_EQ(frame1.pixel(0, 0), picture.pixel(0, 0));
    EXPECT_EQ(frame1.pixel(3, 100), picture.pixel(1, 50));
    EXPECT_EQ(frame1.pixel(175, 207), picture.pixel(87, 103));
    EXPECT_EQ(frame1.pixel(4, 4), picture.pixel(0, 0));
    EXPECT_TRUE(showsPictureIn(frame1, picture, Rect{4, 4, 172, 203}));

    const Raster frame11 = rig.frame(11);
    const Raster frame10 = rig.frame(10);
    EXPECT_TRUE(showsPictureIn(frame11, picture, Rect{44, 52, 132, 156}));
    for (int y = 0; y < 208; ++y) {
        for (int x = 0; x < 176; ++x) {
            if (x < 44 || x >= 132 || y < 52 || y >= 156) {
                ASSERT_EQ(frame11.pixel(x, y), frame10.pixel(x, y)) << x << ", " << y;
            }
        }
    }
    EXPECT_EQ(frame11.pixel(0, 0), picture.pixel(0, 0));
    for (int k = 0; k < 12; ++k)
        EXPECT_NE(rig.frame(k).pixel(0, 0), kMarker) << k;
}

TEST(ApproachAndDistance, CancelWritesNothingAndLeavesThePreviewAlone) {
    EffectRig rig;
    rig.fillFrames(kMarker);
    rig.preview.enableTimer2();
    rig.preview.PreviewFrame = 4;
    int changes = 0;
    rig.preview.setTimer2Observer([&](bool) { ++changes; });
    rig.nextPicture.reset();
    EffectContext context = rig.context();
    ApproachAndDistance(context, 66);

    EXPECT_EQ(rig.dialogCalls, 1);
    EXPECT_TRUE(rig.load.LoadCancelled);
    EXPECT_EQ(changes, 0);
    EXPECT_TRUE(rig.preview.timer2Enabled());
    EXPECT_EQ(rig.preview.PreviewFrame, 4);
    EXPECT_FALSE(rig.work.BinocularSurface.hasPicture());
    for (int k = 0; k < 12; ++k)
        EXPECT_EQ(rig.frame(k).pixel(10, 10), kMarker) << k;
}

TEST(ApproachAndDistance, LeavesThePreviewAloneAndTheGeneratorUntouched) {
    EffectRig rig;
    rig.preview.PreviewFrame = 9;
    rig.offerPicture(makePicture(300, 250, positionColour));
    EffectContext context = rig.context();
    ApproachAndDistance(context, 49);
    EXPECT_FALSE(rig.preview.timer2Enabled());
    EXPECT_EQ(rig.preview.PreviewFrame, 9);
    EXPECT_EQ(rig.random.seed(), 0u);
}

TEST(ApproachAndDistance, UnknownTagIsRefusedBeforeTheDialog) {
    EffectRig rig;
    EffectContext context = rig.context();
    EXPECT_THROW(ApproachAndDistance(context, 48), Error);
    EXPECT_THROW(ApproachAndDistance(context, 67), Error);
    EXPECT_EQ(rig.dialogCalls, 0);
}

TEST(ApproachAndDistance, UnreadablePictureEndsTheCommandBeforeAnyFrame) {
    EffectRig rig;
    const std::filesystem::path bad = rig.workDir() / "bad.bmp";
    std::ofstream(bad, std::ios::binary) << "BM\x01\x02";
    rig.nextPicture = bad;
    EffectContext context = rig.context();
    EXPECT_THROW(ApproachAndDistance(context, 57), Error);
    for (int k = 0; k < 12; ++k)
        EXPECT_FALSE(std::filesystem::exists(frameFilePath(rig.workDir(), k))) << k;
}

// A frame that cannot be written stops the effect there; the zoom out writes frame 11 first.
TEST(ApproachAndDistance, UnwritableFrameStopsAtItInWritingOrder) {
    for (const int tag : {57, 66}) {
        EffectRig rig;
        std::filesystem::create_directories(frameFilePath(rig.workDir(), 11) / "in-the-way");
        rig.offerPicture(makePicture(200, 220, positionColour));
        EffectContext context = rig.context();
        EXPECT_THROW(ApproachAndDistance(context, tag), Error) << tag;
        for (int k = 0; k < 11; ++k)
            EXPECT_EQ(std::filesystem::is_regular_file(frameFilePath(rig.workDir(), k)), tag == 57)
                << tag << ", frame " << k;
    }
}

}  // namespace
}  // namespace felmo
