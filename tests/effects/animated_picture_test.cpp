#include "effects/animated_picture.hpp"

#include <gtest/gtest.h>

#include <string>

#include "base/error.hpp"
#include "effect_rig.hpp"
#include "effects/run_effect.hpp"
#include "platform/file_io.hpp"
#include "support/picture_files.hpp"

namespace felmo {
namespace {

using testing::EffectRig;
using testing::GifFrameSpec;
using testing::GifSpec;
using testing::kMarker;

struct TimingCase {
    const char* name;
    std::vector<int> delaysMs;
    std::array<int, kFrameCount> expected;
};

class SourceFrameChoice : public ::testing::TestWithParam<TimingCase> {};

TEST_P(SourceFrameChoice, IsTheFrameOnScreenAtEachTwelfthOfTheCycle) {
    EXPECT_EQ(chooseSourceFrames(GetParam().delaysMs), GetParam().expected);
}

// With equal delays start-up frame i shows floor(i x N / 12).
std::array<int, kFrameCount> equalDelayChoice(int frameCount) {
    std::array<int, kFrameCount> choice{};
    for (int i = 0; i < kFrameCount; ++i)
        choice[i] = i * frameCount / kFrameCount;
    return choice;
}

const TimingCase kTimings[] = {
    {"OneFrame", {0}, equalDelayChoice(1)},
    {"FiveEqual", std::vector<int>(5, 80), equalDelayChoice(5)},
    {"TwelveEqual", std::vector<int>(12, 40), equalDelayChoice(12)},
    {"SixtyEqual", std::vector<int>(60, 30), equalDelayChoice(60)},
    // T = 1200: frame 0 on [0, 100), 1 on [100, 600), 2 on [600, 700), 3 on [700, 1200).
    {"Unequal", {100, 500, 100, 500}, {0, 1, 1, 1, 1, 1, 2, 3, 3, 3, 3, 3}},
    // 0, 10 and 19 ms count as 100 ms, 20 ms stays: T = 320, the last frame starts at 300 and
    // the last moment looked at is 293.
    {"ShortDelaysCountAsOneHundredMs", {0, 10, 19, 20}, {0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2}},
    // Short delays alike count alike: the same as equal delays.
    {"ZeroDelays", std::vector<int>(24, 0), equalDelayChoice(24)},
};
INSTANTIATE_TEST_SUITE_P(Delays, SourceFrameChoice, ::testing::ValuesIn(kTimings),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

const MenuEntry& animationEntry() {
    const MenuEntry* entry = findEffectByCliName("animation");
    EXPECT_NE(entry, nullptr);
    return *entry;
}

void runAnimation(EffectRig& rig) {
    EffectContext context = rig.context();
    runEffect(context, animationEntry());
}

// A 2 x 2 animation of three frames (red, green, blue, white global colours): frame 0 all red,
// frame 1 a green top row over it with its right pixel transparent, disposed to background;
// frame 2 a blue bottom-left pixel.
testing::Bytes threeFrameGif(int delayCs) {
    GifSpec spec{2, 2, {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}}, {}};
    spec.frames = {GifFrameSpec{0, 0, 2, 2, delayCs, 1, -1, false, {}, {0, 0, 0, 0}},
                   GifFrameSpec{0, 0, 2, 1, delayCs, 2, 3, false, {}, {1, 3}},
                   GifFrameSpec{0, 1, 1, 1, delayCs, 1, -1, false, {}, {2}}};
    return testing::encodeGif(spec);
}

// The colour of each quarter of the screen (top-left, top-right, bottom-left, bottom-right).
std::array<Color, 4> quarters(const Raster& frame) {
    return {frame.pixel(0, 0), frame.pixel(175, 0), frame.pixel(0, 207), frame.pixel(175, 207)};
}

TEST(AnimationFromPicture, ComposedFramesFillTheScreenInTurn) {
    EffectRig rig;
    writeFileAtomically(rig.workDir() / "moving.gif", threeFrameGif(10));
    rig.nextPicture = rig.workDir() / "moving.gif";
    rig.preview.enableTimer2();
    rig.preview.PreviewFrame = 5;
    runAnimation(rig);

    const Color red = rgb(255, 0, 0), green = rgb(0, 255, 0), blue = rgb(0, 0, 255);
    const std::array<Color, 4> first = {red, red, red, red};
    // The untouched top-right pixel of frame 1 shows the red below it.
    const std::array<Color, 4> second = {green, red, red, red};
    // Frame 1 was disposed to transparent: its row is black now.
    const std::array<Color, 4> third = {colors::black, colors::black, blue, red};
    for (int k = 0; k < kFrameCount; ++k) {
        const Raster frame = rig.frame(k);
        ASSERT_EQ(frame.width(), 176);
        ASSERT_EQ(frame.height(), 208);
        EXPECT_EQ(quarters(frame), k < 4 ? first : k < 8 ? second : third) << "frame " << k;
        // Each source pixel covers exactly its quarter (nearest neighbour, no blending).
        EXPECT_EQ(frame.pixel(87, 103), frame.pixel(0, 0)) << k;
        EXPECT_EQ(frame.pixel(88, 104), frame.pixel(175, 207)) << k;
    }
    EXPECT_TRUE(rig.preview.timer2Enabled());
    EXPECT_EQ(rig.preview.PreviewFrame, 0);
    EXPECT_EQ(rig.load.LoadedPicture.width(), 2);  // the first frame at its own size
}

TEST(AnimationFromPicture, StillPictureFillsEveryFrame) {
    EffectRig rig;
    rig.offerPicture(testing::makePicture(3, 2, testing::columnColour), "still.jpg");
    runAnimation(rig);
    for (int k = 0; k < kFrameCount; ++k) {
        const Raster frame = rig.frame(k);
        EXPECT_EQ(frame.pixel(0, 0), testing::columnColour(0, 0)) << k;
        EXPECT_EQ(frame.pixel(175, 207), testing::columnColour(2, 1)) << k;
    }
}

TEST(AnimationFromPicture, CancelOrADamagedFileChangesNothing) {
    EffectRig rig;
    rig.fillFrames(kMarker);
    rig.preview.enableTimer2();
    rig.preview.PreviewFrame = 4;

    rig.nextPicture.reset();
    runAnimation(rig);
    EXPECT_TRUE(rig.load.LoadCancelled);

    testing::Bytes damaged = threeFrameGif(10);
    damaged.resize(damaged.size() - 12);  // the last frame's data cut off
    writeFileAtomically(rig.workDir() / "cut.gif", damaged);
    rig.nextPicture = rig.workDir() / "cut.gif";
    try {
        runAnimation(rig);
        FAIL() << "a truncated animation was taken";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()).rfind("Invalid GIF file \"", 0), 0u) << error.what();
    }
    for (int k = 0; k < kFrameCount; ++k)
        EXPECT_EQ(rig.frame(k).pixel(10, 10), kMarker) << k;
    EXPECT_EQ(rig.preview.PreviewFrame, 4);
    EXPECT_TRUE(rig.preview.timer2Enabled());
}

TEST(AnimationFromPicture, AHalfTransparentPixelIsLaidOverBlack) {
    EffectRig rig;
    // 2 x 1 frames: a half-opaque pixel beside an opaque one, then the same swapped.
    const testing::Bytes first = {200, 100, 50, 128, 10, 20, 30, 255};
    const testing::Bytes second = {10, 20, 30, 255, 200, 100, 50, 128};
    writeFileAtomically(rig.workDir() / "half.webp",
                        testing::encodeAnimatedWebp(2, 1, {first, second}, {100, 100}));
    rig.nextPicture = rig.workDir() / "half.webp";
    runAnimation(rig);
    const Color half = rgb(100, 50, 25), opaque = rgb(10, 20, 30);
    EXPECT_EQ(rig.frame(0).pixel(0, 100), half);
    EXPECT_EQ(rig.frame(0).pixel(175, 100), opaque);
    EXPECT_EQ(rig.frame(11).pixel(87, 0), opaque);
    EXPECT_EQ(rig.frame(11).pixel(88, 207), half);
}

// A 1024 x 1024 canvas of `frameCount` one-pixel frames: cheap to decode, but composing costs a
// pass over the canvas a frame.
testing::Bytes wideCanvasGif(int frameCount) {
    GifSpec spec{1024, 1024, {{255, 0, 0}, {0, 0, 255}}, {}};
    for (int i = 0; i < frameCount; ++i)
        spec.frames.push_back(GifFrameSpec{i % 7, 0, 1, 1, 10, 1, -1, false, {}, {1}});
    return testing::encodeGif(spec);
}

TEST(AnimationFromPicture, ComposingMoreThanItsShareOfCanvasPixelsIsRefusedBeforeDecoding) {
    // With N equal delays frames 0 ... floor(11 N / 12) are composed: 279 frames compose 256
    // canvases (the limit exactly), 280 frames 257.
    EffectRig rig;
    rig.fillFrames(kMarker);
    writeFileAtomically(rig.workDir() / "wide.gif", wideCanvasGif(280));
    rig.nextPicture = rig.workDir() / "wide.gif";
    try {
        runAnimation(rig);
        FAIL() << "an animation past the limit was composed";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Анимация " + (rig.workDir() / "wide.gif").string() +
                      " слишком велика: 257 кадров по 1024 x 1024 точек, больше 256 Мпикс вместе.");
    }
    for (int k = 0; k < kFrameCount; ++k)
        EXPECT_EQ(rig.frame(k).pixel(10, 10), kMarker) << k;

    writeFileAtomically(rig.workDir() / "wide.gif", wideCanvasGif(279));
    rig.nextPicture = rig.workDir() / "wide.gif";
    runAnimation(rig);
    EXPECT_EQ(rig.frame(11).pixel(0, 0), rgb(0, 0, 255));  // frame 255's pixel, of 1024 columns
}

TEST(AnimationFromPicture, IsInTheTableAsAPictureEffectWithATagAboveTheOthers) {
    const MenuEntry& entry = animationEntry();
    EXPECT_EQ(entry.level, 2);
    EXPECT_EQ(entry.caption, "Из анимированной картинки…");
    EXPECT_TRUE(effectAsksForPicture(*entry.handler));
    for (const MenuEntry& other : animationMenu()) {
        if (&other != &entry) {
            EXPECT_LT(other.tag, entry.tag) << other.caption;
        }
    }
}

}  // namespace
}  // namespace felmo
