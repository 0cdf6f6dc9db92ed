#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <ostream>
#include <string>
#include <utility>

#include "platform/file_io.hpp"
#include "raster/webp.hpp"
#include "support/file_like_source.hpp"
#include "support/picture_files.hpp"
#include "support/reference_decoders.hpp"
#include "support/resident_memory.hpp"
#include "support/temporary_folder.hpp"

namespace felmo {
namespace {

using testing::Bytes;
using testing::PlacedWebpFrame;

// width x height RGBA pixels of a fixed pseudo-random pattern; with `translucent`, the opacities
// run through clear, partial and opaque values.
Bytes patternRgba(int width, int height, bool translucent, std::uint32_t seed) {
    Bytes rgba(static_cast<std::size_t>(width) * height * 4);
    for (std::size_t i = 0; i < rgba.size(); ++i) {
        seed = seed * 1664525u + 1013904223u;
        rgba[i] = static_cast<std::uint8_t>(seed >> 24);
        if (i % 4 == 3)
            rgba[i] = !translucent ? 255 : i / 4 % 3 == 0 ? 0 : rgba[i] | 0x80;
    }
    return rgba;
}

// Where `canvas` differs from `bgra` (its size, not premultiplied), or "". A picture without
// opacities is opaque.
std::string differenceFromBgra(const DecodedPicture& canvas, const Bytes& bgra) {
    const int width = canvas.colour.width();
    for (int y = 0; y < canvas.colour.height(); ++y) {
        for (int x = 0; x < width; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * width + x;
            const std::uint8_t* expected = &bgra[i * 4];
            const std::uint8_t* colour = canvas.colour.storageRow(y) + std::size_t(x) * 3;
            const int opacity = canvas.hasAlpha() ? canvas.alpha.at(i) : 255;
            if (std::memcmp(colour, expected, 3) != 0 || opacity != expected[3])
                return "pixel " + std::to_string(x) + ", " + std::to_string(y) + ": " +
                       std::to_string(colour[0]) + " " + std::to_string(colour[1]) + " " +
                       std::to_string(colour[2]) + " / " + std::to_string(opacity) +
                       " where the player shows " + std::to_string(expected[0]) + " " +
                       std::to_string(expected[1]) + " " + std::to_string(expected[2]) + " / " +
                       std::to_string(expected[3]);
        }
    }
    return "";
}

// RGBA bytes of a 3 x 2 picture: red, green, blue / half-transparent white, clear, opaque grey.
const Bytes kRgba = {255, 0,   0,   255, 0, 255, 0, 255, 0,  0,  255, 255,
                     255, 255, 255, 100, 0, 0,   0, 0,   90, 90, 90,  255};

TEST(WebpDecoder, LosslessStillKeepsEveryPixelAndItsOpacity) {
    const DecodedPicture picture = decodeWebp(testing::encodeWebp(3, 2, kRgba));
    ASSERT_EQ(picture.colour.width(), 3);
    ASSERT_EQ(picture.colour.height(), 2);
    EXPECT_EQ(picture.colour.pixel(0, 0), rgb(255, 0, 0));
    EXPECT_EQ(picture.colour.pixel(1, 0), rgb(0, 255, 0));
    EXPECT_EQ(picture.colour.pixel(2, 0), rgb(0, 0, 255));
    EXPECT_EQ(picture.colour.pixel(0, 1), rgb(255, 255, 255));
    EXPECT_EQ(picture.colour.pixel(2, 1), rgb(90, 90, 90));
    EXPECT_EQ(picture.alpha, (std::vector<std::uint8_t>{255, 255, 255, 100, 0, 255}));
    EXPECT_EQ(readWebpOutline(testing::encodeWebp(3, 2, kRgba)).delaysMs, std::vector<int>{0});
}

TEST(WebpDecoder, LossyOpaqueStillHasNoAlpha) {
    Bytes grey(16 * 16 * 4, 128);
    for (std::size_t i = 3; i < grey.size(); i += 4)
        grey[i] = 255;
    const DecodedPicture picture = decodeWebp(testing::encodeWebp(16, 16, grey, false));
    EXPECT_FALSE(picture.hasAlpha());
    EXPECT_NEAR(redOf(picture.colour.pixel(8, 8)), 128, 3);
}

TEST(WebpDecoder, StillPictureCostsItsRasterNotSpareCanvases) {
    if (!testing::residentMemoryIsMeasurable())
        GTEST_SKIP() << "resident memory is not measurable in this build";
    constexpr int kWidth = 2048, kHeight = 1024;
    Bytes rgba(static_cast<std::size_t>(kWidth) * kHeight * 4, 255);
    for (std::size_t i = 0; i < rgba.size(); i += 4)
        rgba[i] = static_cast<std::uint8_t>(i / 4 % kWidth / 8);
    const Bytes lossy = testing::encodeWebp(kWidth, kHeight, rgba, false);
    const std::optional<std::int64_t> growth = testing::peakResidentGrowth([&lossy] {
        const DecodedPicture picture = decodeWebp(lossy);
        if (picture.hasAlpha() || picture.colour.width() != kWidth)
            throw Error("not the picture");
    });
    ASSERT_TRUE(growth.has_value());
    constexpr std::int64_t kRaster = std::int64_t{kWidth} * kHeight * 3;
    EXPECT_LE(*growth, kRaster + (std::int64_t{3} << 20));
}

// A still of odd size (its chroma planes round up), lossless or lossy, opaque or translucent, is
// what the format's own decoder shows.
TEST(WebpDecoder, StillIsWhatTheFormatsOwnDecoderShows) {
    for (const bool lossless : {true, false}) {
        for (const bool translucent : {true, false}) {
            const Bytes file =
                testing::encodeWebp(13, 7, patternRgba(13, 7, translucent, 7), lossless);
            EXPECT_EQ(differenceFromBgra(decodeWebp(file),
                                         testing::composeWebpCanvasesForTest(file).at(0)),
                      "")
                << (lossless ? "lossless" : "lossy") << (translucent ? ", translucent" : "");
        }
    }
}

struct MemoryCase {
    const char* name;
    std::function<Bytes()> file;
    bool everyFrame;             // composes every frame rather than decoding the first
    double bytesPerCanvasPixel;  // the bound, beside a few MiB of the allocators' own state
};

void PrintTo(const MemoryCase& c, std::ostream* os) {
    *os << c.name;
}

class WebpDecoderMemory : public ::testing::TestWithParam<MemoryCase> {};

// 2048 x 1024: the picture itself costs 3 bytes a pixel, 4 with its opacities (as does the canvas
// of an animation). A lossy frame with opacities costs the library about 1.3 bytes a pixel more,
// a lossless one about 4.3. What the allocator keeps from earlier tests in the process moves the
// figure by up to 4 MiB; the old decoding, through spare canvases, took 34, 68 and 34 MB here.
constexpr int kWide = 2048, kHigh = 1024;

TEST_P(WebpDecoderMemory, DecodingCostsThePictureNotSpareCanvases) {
    if (!testing::residentMemoryIsMeasurable())
        GTEST_SKIP() << "resident memory is not measurable in this build";
    const Bytes file = GetParam().file();
    const bool everyFrame = GetParam().everyFrame;
    const std::optional<std::int64_t> growth = testing::peakResidentGrowth([&file, everyFrame] {
        int frames = 0;
        if (everyFrame)
            composeWebpFrames(file, [&frames](int, const DecodedPicture& canvas) {
                frames += canvas.colour.width() == kWide ? 1 : 0;
                return true;
            });
        else
            frames = decodeWebp(file).hasAlpha() ? 1 : 0;
        if (frames != (everyFrame ? 3 : 1))
            throw Error("not the picture");
    });
    ASSERT_TRUE(growth.has_value());
    const double pixels = double{kWide} * kHigh;
    EXPECT_LE(*growth, static_cast<std::int64_t>(pixels * GetParam().bytesPerCanvasPixel) +
                           (std::int64_t{6} << 20));
}

Bytes smoothRgba(int width, int height) {
    Bytes rgba(static_cast<std::size_t>(width) * height * 4);
    for (std::size_t i = 0; i < rgba.size() / 4; ++i) {
        rgba[i * 4] = static_cast<std::uint8_t>(i % width / 8);
        rgba[i * 4 + 1] = static_cast<std::uint8_t>(i / width / 4);
        rgba[i * 4 + 2] = 90;
        rgba[i * 4 + 3] = static_cast<std::uint8_t>(i % 7 == 0 ? 0 : 200);
    }
    return rgba;
}

INSTANTIATE_TEST_SUITE_P(
    WebpDecoder, WebpDecoderMemory,
    ::testing::Values(
        MemoryCase{"LossyAnimation",
                   [] {
                       const int w = kWide - 64, h = kHigh - 32;
                       const Bytes first = testing::encodeWebp(w, h, smoothRgba(w, h), false);
                       return testing::assembleAnimatedWebp(
                           kWide, kHigh,
                           {PlacedWebpFrame{first, 32, 16},
                            PlacedWebpFrame{testing::encodeWebp(2, 2, smoothRgba(2, 2)), 0, 0}});
                   },
                   false, 6.0},
        MemoryCase{"LosslessStillWithOpacities",
                   [] { return testing::encodeWebp(kWide, kHigh, smoothRgba(kWide, kHigh)); },
                   false, 8.5},
        MemoryCase{"EveryFrameOfAnOpaqueAnimation",
                   [] {
                       Bytes rgba = smoothRgba(kWide, kHigh);
                       for (std::size_t i = 3; i < rgba.size(); i += 4)
                           rgba[i] = 255;
                       const Bytes whole = testing::encodeWebp(kWide, kHigh, rgba, false);
                       const Bytes part = testing::encodeWebp(64, 32, rgba, false);
                       return testing::assembleAnimatedWebp(
                           kWide, kHigh,
                           {PlacedWebpFrame{whole, 0, 0}, PlacedWebpFrame{part, 100, 50},
                            PlacedWebpFrame{whole, 0, 0}});
                   },
                   true, 4.5}),
    [](const ::testing::TestParamInfo<MemoryCase>& param) { return param.param.name; });

// A lossless bitstream whose header claims width x height (the pixels are those of 1 x 1).
Bytes losslessClaiming(int width, int height) {
    Bytes file = testing::encodeWebp(1, 1, {10, 20, 30, 255});
    // RIFF header, "VP8L", chunk size, signature byte; then 14 bits of width - 1 and of height - 1.
    std::uint32_t header = 0;
    std::memcpy(&header, file.data() + 21, 4);
    header = (header & 0xF0000000u) | static_cast<std::uint32_t>(width - 1) |
             (static_cast<std::uint32_t>(height - 1) << 14);
    std::memcpy(file.data() + 21, &header, 4);
    return file;
}

TEST(WebpDecoder, LosslessPictureBeyondItsShareOfMemoryIsRefusedBeforeDecoding) {
    const int side = kMaxPictureSide;
    const int over = static_cast<int>(kMaxLosslessWebpPixels / side + 1);
    ASSERT_NO_THROW(readWebpOutline(losslessClaiming(side, over)));
    try {
        decodeWebp(losslessClaiming(side, over));
        FAIL() << "decoded";
    } catch (const InvalidPicture& refused) {
        EXPECT_NE(std::string(refused.what()).find("lossless"), std::string::npos)
            << refused.what();
    }
    // Within the limit the same bitstream decodes: its one colour needs no bits a pixel.
    const DecodedPicture within = decodeWebp(losslessClaiming(512, 256));
    EXPECT_EQ(within.colour.width(), 512);
    EXPECT_EQ(within.colour.pixel(511, 255), rgb(10, 20, 30));
}

// A lossy still with opacities whose headers claim width x height (its data is that of 16 x 16),
// the opacity chunk's compression method set to `method`.
Bytes lossyWithOpacitiesClaiming(int width, int height, std::uint8_t method) {
    Bytes file = testing::encodeWebp(16, 16, patternRgba(16, 16, true, 3), false);
    auto chunk = [&](const char* tag) {
        const auto found = std::search(file.begin(), file.end(), tag, tag + 4);
        EXPECT_NE(found, file.end()) << tag;
        return static_cast<std::size_t>(found - file.begin()) + 8;  // the payload
    };
    auto put24 = [&](std::size_t at, int value) {
        for (int i = 0; i < 3; ++i)
            file[at + i] = static_cast<std::uint8_t>((value - 1) >> (8 * i));
    };
    const std::size_t extended = chunk("VP8X"), opacities = chunk("ALPH"), picture = chunk("VP8 ");
    put24(extended + 4, width);
    put24(extended + 7, height);
    file[opacities] = static_cast<std::uint8_t>((file[opacities] & ~0x03) | method);
    // the key frame's 14-bit width and height follow its 3-byte tag and 3-byte start code
    for (const auto& [at, value] :
         {std::pair{picture + 6, width}, std::pair{picture + 8, height}}) {
        file[at] = static_cast<std::uint8_t>(value);
        file[at + 1] = static_cast<std::uint8_t>(value >> 8);
    }
    return file;
}

// Opacities compressed losslessly go through the library's lossless decoder, which holds them as
// 32-bit pixels: such a frame has the lossless share of memory; stored opacities do not.
TEST(WebpDecoder, LosslesslyCompressedOpacitiesBeyondTheLosslessShareAreRefused) {
    const int side = kMaxPictureSide;
    const int over = static_cast<int>(kMaxLosslessWebpPixels / side + 1);
    auto messageOf = [](const Bytes& file) {
        try {
            decodeWebp(file);
        } catch (const InvalidPicture& refused) {
            return std::string(refused.what());
        }
        return std::string("decoded");
    };
    EXPECT_EQ(readWebpOutline(lossyWithOpacitiesClaiming(side, over, 1)).width, side);
    EXPECT_NE(messageOf(lossyWithOpacitiesClaiming(side, over, 1)).find("losslessly"),
              std::string::npos);
    EXPECT_EQ(messageOf(lossyWithOpacitiesClaiming(side, over, 0)).find("losslessly"),
              std::string::npos);
    // The unchanged file, method 1 at its own size, decodes.
    EXPECT_EQ(messageOf(lossyWithOpacitiesClaiming(16, 16, 1)), "decoded");
}

// Animations made at random: frames of random sizes at even places on a 24 x 18 canvas, lossy or
// lossless, opaque or translucent, drawn over the canvas or replacing it, cleared after or left.
// Every canvas, and the first frame decoded alone, must be what the library's own animation
// decoder shows, to the byte.
TEST(WebpDecoder, EveryComposedFrameIsWhatTheFormatsOwnDecoderShows) {
    std::uint32_t seed = 2024;
    auto below = [&seed](int limit) {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<int>((seed >> 8) % static_cast<std::uint32_t>(limit));
    };
    for (int animation = 0; animation < 40; ++animation) {
        std::vector<PlacedWebpFrame> frames;
        const int count = 2 + below(5);
        for (int f = 0; f < count; ++f) {
            const bool whole = below(4) == 0;
            const int x = whole ? 0 : 2 * below(6), y = whole ? 0 : 2 * below(4);
            const int w = whole ? 24 : 1 + below(24 - x), h = whole ? 18 : 1 + below(18 - y);
            const bool translucent = below(3) != 0;
            const bool lossless = below(2) == 0;
            const Bytes still = testing::encodeWebp(
                w, h, patternRgba(w, h, translucent, static_cast<std::uint32_t>(below(1000))),
                lossless);
            frames.push_back(PlacedWebpFrame{still, x, y, below(3) != 0, below(3) == 0});
        }
        const Bytes file = testing::assembleAnimatedWebp(24, 18, frames);
        const std::vector<Bytes> expected = testing::composeWebpCanvasesForTest(file);
        EXPECT_EQ(differenceFromBgra(decodeWebp(file), expected.at(0)), "")
            << "animation " << animation << ", its first frame alone";
        std::size_t seen = 0;
        composeWebpFrames(file, [&](int index, const DecodedPicture& canvas) {
            EXPECT_EQ(differenceFromBgra(canvas, expected.at(seen)), "")
                << "animation " << animation << ", frame " << index;
            ++seen;
            return true;
        });
        EXPECT_EQ(seen, expected.size());
    }
}

TEST(WebpDecoder, AnimationGivesEveryComposedFrameAndItsDelay) {
    // Three 2 x 1 frames; the middle one has a transparent pixel over the first frame's place.
    const std::vector<Bytes> frames = {
        {255, 0, 0, 255, 255, 0, 0, 255},
        {0, 0, 0, 0, 0, 255, 0, 255},
        {0, 0, 255, 255, 0, 0, 255, 255},
    };
    const Bytes file = testing::encodeAnimatedWebp(2, 1, frames, {100, 40, 250});
    const AnimationOutline outline = readWebpOutline(file);
    EXPECT_EQ(outline.width, 2);
    EXPECT_EQ(outline.height, 1);
    EXPECT_EQ(outline.delaysMs, (std::vector<int>{100, 40, 250}));

    std::vector<std::vector<Color>> seen;
    composeWebpFrames(file, [&](int index, const DecodedPicture& canvas) {
        EXPECT_EQ(index, static_cast<int>(seen.size()));
        const Raster overBlack = flattenOverBlack(canvas);
        seen.push_back({overBlack.pixel(0, 0), overBlack.pixel(1, 0)});
        return true;
    });
    const std::vector<std::vector<Color>> expected = {
        {rgb(255, 0, 0), rgb(255, 0, 0)},
        {colors::black, rgb(0, 255, 0)},
        {rgb(0, 0, 255), rgb(0, 0, 255)},
    };
    EXPECT_EQ(seen, expected);
}

// 512 x 512 opaque noise, lossless: about 0.8 MB of compressed data a frame, as large as the
// canvas's own pixels, so that a file of many of them is many times its canvas.
Bytes noiseFrame() {
    constexpr int kSide = 512;
    Bytes rgba = patternRgba(kSide, kSide, false, 99);
    return testing::encodeWebp(kSide, kSide, rgba);
}

Bytes manyFrameAnimation(const Bytes& frame, int count) {
    std::vector<PlacedWebpFrame> frames;
    for (int i = 0; i < count; ++i)
        frames.push_back(PlacedWebpFrame{frame, 0, 0, false, false, 40 + i});
    return testing::assembleAnimatedWebp(512, 512, frames);
}

// What each way of reading a WebP does with a file.
struct SourceRead {
    const char* name;
    std::function<void(ByteSource&)> read;
};

const SourceRead kSourceReads[] = {
    {"outline", [](ByteSource& source) { readWebpOutline(source); }},
    {"first frame", [](ByteSource& source) { decodeWebp(source); }},
    {"every frame",
     [](ByteSource& source) {
         composeWebpFrames(source, [](int, const DecodedPicture&) { return true; });
     }},
};

// A long animation of a small canvas read from a file costs its canvas and one frame's data,
// not the file (48 frames: 38 MB, where the canvas is 1 MB).
TEST(WebpDecoderFromFile, LongAnimationCostsItsCanvasNotTheFile) {
    if (!testing::residentMemoryIsMeasurable())
        GTEST_SKIP() << "resident memory is not measurable in this build";
    const Bytes frame = noiseFrame();
    const Bytes file = manyFrameAnimation(frame, 48);
    ASSERT_GT(file.size(), 30u << 20);
    for (const SourceRead& way : kSourceReads) {
        const std::optional<std::int64_t> growth = testing::peakResidentGrowth([&] {
            testing::FileLikeSource source(file);
            way.read(source);
        });
        ASSERT_TRUE(growth.has_value()) << way.name;
        // canvas 4 B/px, the library's lossless picture 4.2 B/px, the frame's data twice over
        // (the source's copy and the view of it), and the allocators' own state
        EXPECT_LE(*growth, 512 * 512 * 9 + 2 * std::int64_t(frame.size()) + (std::int64_t{6} << 20))
            << way.name;
    }
}

// A lossy still with opacities: while the library decodes the opacities it holds them as 32-bit
// pixels and a plane of its own (about 5 bytes a pixel here, where they are not drawn from a
// palette). Decoded as a still, that is beside the opacities and a scratch of 1.5 bytes a pixel,
// the picture being made after (before: beside the whole picture, 9.2 bytes a pixel in all, now
// 7.7). Composed as a one-frame animation, it is beside the canvas alone, with no buffer for the
// frame (before: 13.2 bytes a pixel, now 9.2).
TEST(WebpDecoderFromFile, LossyStillWithOpacitiesNeedsNoSecondPicture) {
    if (!testing::residentMemoryIsMeasurable())
        GTEST_SKIP() << "resident memory is not measurable in this build";
    constexpr int kWidth = 4096, kHeight = 2048;
    // smooth colours under a checker of opaque squares and squares of rising opacity
    Bytes rgba = smoothRgba(kWidth, kHeight);
    for (std::size_t i = 0; i < rgba.size() / 4; ++i)
        rgba[i * 4 + 3] = (i % kWidth / 64 + i / kWidth / 64) % 2 != 0
                              ? 255
                              : static_cast<std::uint8_t>(i % kWidth * 255 / kWidth);
    const Bytes file = testing::encodeWebp(kWidth, kHeight, rgba, false);
    for (const auto& [way, bytesPerPixel] :
         {std::pair{&kSourceReads[1], 7.5}, std::pair{&kSourceReads[2], 10.0}}) {
        const std::optional<std::int64_t> growth = testing::peakResidentGrowth([&] {
            testing::FileLikeSource source(file);
            way->read(source);
        });
        ASSERT_TRUE(growth.has_value()) << way->name;
        EXPECT_LE(*growth, static_cast<std::int64_t>(double{kWidth} * kHeight * bytesPerPixel) +
                               std::int64_t(file.size()) + (std::int64_t{6} << 20))
            << way->name;
    }
}

// From a file, the walk reads chunk headers a few KiB at a time, and decoding reads one frame's
// data at a time; the pixels are those decoded from memory.
TEST(WebpDecoderFromFile, ReadsHeadersAndOneFrameAtATime) {
    // noise, so that every frame is some KiB and the file over twice the largest
    const Bytes first = testing::encodeWebp(96, 64, patternRgba(96, 64, true, 5), false);
    const Bytes second = testing::encodeWebp(40, 30, patternRgba(40, 30, true, 6));
    const Bytes file = testing::assembleAnimatedWebp(
        96, 64,
        {PlacedWebpFrame{first, 0, 0}, PlacedWebpFrame{second, 4, 2, true, true},
         PlacedWebpFrame{first, 0, 0, false}, PlacedWebpFrame{second, 8, 10}});
    const std::size_t largestFrame = std::max(first.size(), second.size());
    ASSERT_GT(file.size(), 2 * std::max<std::size_t>(largestFrame, 4096));
    const std::vector<Bytes> expected = testing::composeWebpCanvasesForTest(file);

    testing::FileLikeSource outlineSource(file);
    EXPECT_EQ(readWebpOutline(outlineSource).delaysMs, readWebpOutline(file).delaysMs);
    EXPECT_LE(outlineSource.largestRead(), 4096u);

    testing::FileLikeSource stillSource(file);
    EXPECT_EQ(differenceFromBgra(decodeWebp(stillSource), expected.at(0)), "");
    EXPECT_LE(stillSource.largestRead(), std::max<std::size_t>(first.size(), 4096));
    EXPECT_LT(stillSource.largestRead(), file.size() / 2);

    testing::FileLikeSource everySource(file);
    std::size_t seen = 0;
    composeWebpFrames(everySource, [&](int index, const DecodedPicture& canvas) {
        EXPECT_EQ(differenceFromBgra(canvas, expected.at(seen)), "") << "frame " << index;
        ++seen;
        return true;
    });
    EXPECT_EQ(seen, expected.size());
    EXPECT_LE(everySource.largestRead(), std::max<std::size_t>(largestFrame, 4096));
}

// Damaged and cut files: the message is the same whether the bytes are in memory or read from a
// file, for the outline, the first frame and every frame alike.
struct DamagedWebp {
    const char* name;
    std::function<Bytes(Bytes)> damage;  // of a three-frame animation
    const char* message;                 // what every way of reading it says
};

std::uint32_t le32At(const Bytes& bytes, std::size_t at) {
    std::uint32_t value = 0;
    std::memcpy(&value, bytes.data() + at, 4);
    return value;
}

// The offset of the `n`th chunk named `tag` (from 0) after the RIFF header, walking the top level
// and into frame chunks.
std::size_t chunkAt(const Bytes& file, const char* tag, int n) {
    for (std::size_t at = 12; at + 8 <= file.size();) {
        if (std::memcmp(file.data() + at, tag, 4) == 0 && n-- == 0)
            return at;
        const std::uint32_t size = le32At(file, at + 4);
        at += std::memcmp(file.data() + at, "ANMF", 4) == 0 ? 8 + 16 : 8 + size + (size & 1);
    }
    throw Error(std::string("no chunk ") + tag);
}

const DamagedWebp kDamagedWebp[] = {
    {"CutInTheLastFrame", [](Bytes f) { return Bytes(f.begin(), f.end() - 40); },
     "The file ends early: it is truncated or damaged."},
    {"CutInTheHeader", [](Bytes f) { return Bytes(f.begin(), f.begin() + 19); },
     "The file is damaged."},
    {"RiffSizeEndsInsideAFrame",
     [](Bytes f) {
         const std::uint32_t shorter = le32At(f, 4) - 40;
         std::memcpy(f.data() + 4, &shorter, 4);
         return f;
     },
     "The file is damaged."},
    {"FrameBeyondTheCanvas",
     [](Bytes f) {
         f[chunkAt(f, "ANMF", 1) + 8] = 10;  // x of the second frame, in units of 2
         return f;
     },
     "The file is damaged."},
    {"FrameBeforeTheAnimationHeader",
     [](Bytes f) {
         std::memcpy(f.data() + chunkAt(f, "ANIM", 0), "XXXX", 4);
         return f;
     },
     "The file is damaged."},
    {"SecondFrameCannotBeDecoded",
     [](Bytes f) {
         const std::size_t at = chunkAt(f, "ANMF", 1) + 8 + 16 + 8;  // its picture's bitstream
         for (std::size_t i = at + 5; i < at + 40; ++i)
             f[i] ^= 0x5A;
         return f;
     },
     "Frame 2 cannot be decoded: the file is damaged."},
};

void PrintTo(const DamagedWebp& c, std::ostream* os) {
    *os << c.name;
}

class DamagedWebpFile : public ::testing::TestWithParam<DamagedWebp> {};

std::string messageOf(const std::function<void()>& work) {
    try {
        work();
    } catch (const Error& error) {
        return error.what();
    }
    return "";
}

TEST_P(DamagedWebpFile, SaysTheSameFromMemoryAndFromAFile) {
    const Bytes frame = testing::encodeWebp(8, 6, patternRgba(8, 6, false, 3));
    const Bytes file = GetParam().damage(
        testing::assembleAnimatedWebp(8, 6,
                                      {PlacedWebpFrame{frame, 0, 0}, PlacedWebpFrame{frame, 0, 0},
                                       PlacedWebpFrame{frame, 0, 0}}));
    const std::string expected = std::string("Invalid WebP data. ") + GetParam().message;
    const bool laterFrame = std::string(GetParam().name) == "SecondFrameCannotBeDecoded";
    for (const SourceRead& way : kSourceReads) {
        if (laterFrame && std::string(way.name) != "every frame") {
            // the outline and the first frame never decode the second frame
            testing::FileLikeSource source(file);
            EXPECT_EQ(messageOf([&] { way.read(source); }), "") << way.name;
            continue;
        }
        MemorySource memory(file);
        testing::FileLikeSource fromFile(file);
        EXPECT_EQ(messageOf([&] { way.read(memory); }), expected) << way.name;
        EXPECT_EQ(messageOf([&] { way.read(fromFile); }), expected) << way.name;
    }
}

INSTANTIATE_TEST_SUITE_P(WebpDecoder, DamagedWebpFile, ::testing::ValuesIn(kDamagedWebp),
                         [](const ::testing::TestParamInfo<DamagedWebp>& param) {
                             return std::string(param.param.name);
                         });

// A file cut short by someone else after it was opened: the read that finds the bytes gone says
// so, whichever frame it was reading.
TEST(WebpDecoderFromFile, FileThatShrinksWhileReadSaysSo) {
    testing::TemporaryFolder folder;
    const std::filesystem::path path = folder.path() / "moving.webp";
    const Bytes file =
        manyFrameAnimation(testing::encodeWebp(16, 16, patternRgba(16, 16, false, 4)), 6);
    for (const std::size_t keep : {file.size() - 30, file.size() / 2, std::size_t{100}}) {
        writeFileAtomically(path, file);
        InputFile input(path);
        int frames = 0;
        std::filesystem::resize_file(path, keep);
        EXPECT_EQ(messageOf([&] {
                      composeWebpFrames(input, [&frames](int, const DecodedPicture&) {
                          ++frames;
                          return true;
                      });
                  }),
                  cannotOpenMessage(path, "The file changed while it was read."))
            << keep;
        EXPECT_LT(frames, 6) << keep;
    }
}

}  // namespace
}  // namespace felmo
