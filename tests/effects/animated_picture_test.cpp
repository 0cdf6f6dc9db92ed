#include "effects/animated_picture.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "base/error.hpp"
#include "effect_rig.hpp"
#include "effects/run_effect.hpp"
#include "platform/file_io.hpp"
#include "raster/picture_reader.hpp"
#include "support/picture_files.hpp"
#include "support/resident_memory.hpp"

namespace felmo {
namespace {

using testing::EffectRig;
using testing::GifDescription;
using testing::GifFrameDescription;
using testing::kMarker;
using testing::PlacedWebpFrame;

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
    GifDescription description{2, 2, {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}}, {}};
    description.frames = {GifFrameDescription{0, 0, 2, 2, delayCs, 1, -1, false, {}, {0, 0, 0, 0}},
                          GifFrameDescription{0, 0, 2, 1, delayCs, 2, 3, false, {}, {1, 3}},
                          GifFrameDescription{0, 1, 1, 1, delayCs, 1, -1, false, {}, {2}}};
    return testing::encodeGif(description);
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
    GifDescription description{1024, 1024, {{255, 0, 0}, {0, 0, 255}}, {}};
    for (int i = 0; i < frameCount; ++i)
        description.frames.push_back(
            GifFrameDescription{i % 7, 0, 1, 1, 10, 1, -1, false, {}, {1}});
    return testing::encodeGif(description);
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

// Where two rasters first differ, or "" when they are the same picture.
std::string firstDifference(const Raster& actual, const Raster& expected) {
    if (actual.width() != expected.width() || actual.height() != expected.height())
        return "size " + std::to_string(actual.width()) + " x " + std::to_string(actual.height());
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            if (actual.pixel(x, y) != expected.pixel(x, y))
                return "pixel " + std::to_string(x) + ", " + std::to_string(y);
    return "";
}

// `picture` stretched over the screen by nearest neighbour.
Raster overScreen(const Raster& picture) {
    Raster screen(kScreenWidth, kScreenHeight);
    for (int y = 0; y < kScreenHeight; ++y)
        for (int x = 0; x < kScreenWidth; ++x)
            screen.setPixel(x, y,
                            picture.pixel(x * picture.width() / kScreenWidth,
                                          y * picture.height() / kScreenHeight));
    return screen;
}

// Each composed canvas of the file laid over black, taken from the animation reader alone.
std::vector<Raster> composedOverBlack(const std::filesystem::path& path) {
    std::vector<Raster> frames;
    PictureFile file(path);
    composeFrames(file, [&frames](int, const DecodedPicture& canvas) {
        frames.push_back(flattenOverBlack(canvas));
        return true;
    });
    return frames;
}

struct FirstFrameCase {
    const char* name;
    const char* fileName;
    // The file, its first frame shown for `firstDelayMs` and the second for 100 ms.
    std::function<testing::Bytes(int firstDelayMs)> file;
};

void PrintTo(const FirstFrameCase& c, std::ostream* os) {
    *os << c.name;
}

// A 5 x 4 GIF whose first frame is a 3 x 2 part at (1, 1) with a transparent pixel, interlaced
// or not, disposed as given, and whose second frame paints the top-left pixel white.
testing::Bytes gifWithPartialFirstFrame(int firstDelayMs, int disposal, bool interlaced) {
    GifDescription description{5, 4, {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}}, {}};
    description.frames = {GifFrameDescription{1,
                                              1,
                                              3,
                                              2,
                                              firstDelayMs / 10,
                                              disposal,
                                              1,
                                              interlaced,
                                              {{9, 9, 9}, {1, 2, 3}, {200, 100, 50}, {7, 8, 250}},
                                              {0, 1, 2, 3, 2, 0}},
                          GifFrameDescription{0, 0, 1, 1, 10, 1, -1, false, {}, {3}}};
    return testing::encodeGif(description);
}

// An RGBA picture whose opacity changes along each row, from transparent to opaque.
testing::Bytes translucentRgba(int width, int height) {
    testing::Bytes rgba(static_cast<std::size_t>(width) * height * 4);
    for (std::size_t i = 0; i < rgba.size() / 4; ++i) {
        rgba[i * 4] = static_cast<std::uint8_t>(40 + i * 7 % 200);
        rgba[i * 4 + 1] = static_cast<std::uint8_t>(i * 13 % 256);
        rgba[i * 4 + 2] = 90;
        rgba[i * 4 + 3] = static_cast<std::uint8_t>(i % width * 255 / (width - 1));
    }
    return rgba;
}

// A 12 x 10 WebP whose first frame is an 8 x 6 part at (2, 4), lossless or lossy, with or
// without opacities, cleared when done or not; the second frame is a 2 x 2 opaque part.
testing::Bytes webpWithPartialFirstFrame(int firstDelayMs, bool lossless, bool translucent,
                                         bool cleared) {
    testing::Bytes rgba = translucentRgba(8, 6);
    if (!translucent)
        for (std::size_t i = 3; i < rgba.size(); i += 4)
            rgba[i] = 255;
    PlacedWebpFrame first{
        testing::encodeWebp(8, 6, rgba, lossless), 2, 4, true, cleared, firstDelayMs};
    PlacedWebpFrame second{
        testing::encodeWebp(2, 2, testing::Bytes(16, 255), lossless), 0, 0, true, false, 100};
    return testing::assembleAnimatedWebp(12, 10, {first, second});
}

class FirstFrameAsLoadedPicture
    : public ::testing::TestWithParam<std::tuple<FirstFrameCase, bool>> {};

// The loaded picture and the frames are those of the composed canvases, whether the first frame
// is read again after composing or is the only frame shown.
TEST_P(FirstFrameAsLoadedPicture, IsTheFirstComposedCanvasOverBlack) {
    const auto& [picture, firstFrameOnly] = GetParam();
    EffectRig rig;
    const std::filesystem::path path = rig.workDir() / picture.fileName;
    // 100 ms each: frames 0 and 1 are shown; 10 s first: frame 0 alone.
    writeFileAtomically(path, picture.file(firstFrameOnly ? 10000 : 100));
    rig.nextPicture = path;
    runAnimation(rig);

    const std::vector<Raster> expected = composedOverBlack(path);
    ASSERT_EQ(expected.size(), 2u);
    EXPECT_EQ(firstDifference(rig.load.LoadedPicture, expected[0]), "");
    for (int k = 0; k < kFrameCount; ++k) {
        const int shown = firstFrameOnly || k < 6 ? 0 : 1;
        EXPECT_EQ(firstDifference(rig.frame(k), overScreen(expected[shown])), "") << "frame " << k;
    }
}

const FirstFrameCase kFirstFrames[] = {
    {"GifKeptTransparentAndOffset", "kept.gif",
     [](int delay) { return gifWithPartialFirstFrame(delay, 1, false); }},
    {"GifClearedWhenDone", "cleared.gif",
     [](int delay) { return gifWithPartialFirstFrame(delay, 2, true); }},
    {"GifRestoredWhenDone", "restored.gif",
     [](int delay) { return gifWithPartialFirstFrame(delay, 3, false); }},
    {"LosslessWebpTranslucentAndOffset", "lossless.webp",
     [](int delay) { return webpWithPartialFirstFrame(delay, true, true, false); }},
    {"LossyWebpTranslucentCleared", "lossy.webp",
     [](int delay) { return webpWithPartialFirstFrame(delay, false, true, true); }},
    {"LossyWebpOpaqueOffset", "opaque.webp",
     [](int delay) { return webpWithPartialFirstFrame(delay, false, false, false); }},
};
INSTANTIATE_TEST_SUITE_P(Files, FirstFrameAsLoadedPicture,
                         ::testing::Combine(::testing::ValuesIn(kFirstFrames), ::testing::Bool()),
                         [](const auto& testCase) {
                             return std::string(std::get<0>(testCase.param).name) +
                                    (std::get<1>(testCase.param) ? "FirstFrameOnly" : "ReadAgain");
                         });

TEST(AnimationFromPicture, AFrameThatCannotBeDecodedLoadsNothingAndKeepsTheFrames) {
    EffectRig rig;
    rig.fillFrames(kMarker);
    // The second frame's lossless bitstream is garbage after its header: the file's outline is
    // sound, its first frame decodes, and the second fails only once it is reached.
    testing::Bytes file = webpWithPartialFirstFrame(100, true, true, false);
    const auto chunk = std::find_end(file.begin(), file.end(), "VP8L", "VP8L" + 4);
    ASSERT_NE(chunk, file.end());
    std::fill(chunk + 13, file.end(), std::uint8_t{0xFF});
    writeFileAtomically(rig.workDir() / "damaged.webp", file);
    rig.nextPicture = rig.workDir() / "damaged.webp";
    std::string message;
    try {
        runAnimation(rig);
    } catch (const Error& error) {
        message = error.what();
    }
    EXPECT_NE(message.find("Frame 2 cannot be decoded"), std::string::npos) << message;
    // As after any failed load: no picture, not the first frame that did decode.
    EXPECT_TRUE(rig.load.LoadedPicture.empty());
    for (int k = 0; k < kFrameCount; ++k)
        EXPECT_EQ(rig.frame(k).pixel(10, 10), kMarker) << k;
}

TEST(AnimationFromPicture, CostsItsCanvasNotACopyOfTheFirstFrameBesideIt) {
    if (!testing::residentMemoryIsMeasurable())
        GTEST_SKIP() << "resident memory is not measurable in this build";
    constexpr int kWidth = 3072, kHeight = 2048;
    GifDescription description{
        kWidth, kHeight, {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}}, {}};
    for (int f = 0; f < 2; ++f) {
        // The first frame has transparent pixels, so its opacities are kept while composing.
        GifFrameDescription frame{0, 0, kWidth, kHeight, 10, 1, f == 0 ? 0 : -1, false, {}, {}};
        frame.indices.resize(static_cast<std::size_t>(kWidth) * kHeight);
        for (std::size_t i = 0; i < frame.indices.size(); ++i)
            frame.indices[i] = static_cast<std::uint8_t>((i / 4096 + f) % 4);
        description.frames.push_back(std::move(frame));
    }
    EffectRig rig;
    writeFileAtomically(rig.workDir() / "large.gif", testing::encodeGif(description));
    rig.nextPicture = rig.workDir() / "large.gif";
    const std::optional<std::int64_t> growth = testing::peakResidentGrowth([&rig] {
        runAnimation(rig);
        if (rig.load.LoadedPicture.width() != kWidth)
            throw Error("not the picture");
    });
    ASSERT_TRUE(growth.has_value());
    // The canvas (4 bytes a pixel), the file and the frames; a copy of the first frame beside the
    // canvas would add 18 MiB.
    const double pixels = double{kWidth} * kHeight;
    EXPECT_LE(*growth, static_cast<std::int64_t>(pixels * 4.5) + (std::int64_t{4} << 20));
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
