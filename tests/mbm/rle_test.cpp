// The run-length schemes on hand-made streams: a worked example of each scheme both ways, the
// encoder's choices at their boundaries, and every way a stored stream can be damaged.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/error.hpp"
#include "mbm/rle.hpp"
#include "support/file_like_source.hpp"

namespace felmo {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes compressed(Compression scheme, const Bytes& raw) {
    Bytes out;
    EXPECT_TRUE(compressPixels(scheme, raw, out));
    return out;
}

Bytes expanded(Compression scheme, const Bytes& stored, std::size_t rawSize) {
    Bytes raw(rawSize, 0xAA);
    decompressPixels(scheme, stored, raw);
    return raw;
}

Bytes repeat(const Bytes& unit, std::size_t times) {
    Bytes out;
    for (std::size_t i = 0; i < times; ++i)
        out.insert(out.end(), unit.begin(), unit.end());
    return out;
}

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct Example {
    const char* name;
    Compression scheme;
    Bytes raw;
    Bytes stored;
};

// Byte examples carry 4 distinct bytes behind them (the last max(size / 64, 4) bytes of a byte
// stream are always literal) and, where they are too short to be worth compressing, a long run.
const Bytes kTail = {0x10, 0x20, 0x30, 0x40};
const Bytes kZeros = Bytes(256, 0);

class WorkedExample : public ::testing::TestWithParam<Example> {};

TEST_P(WorkedExample, EncodesAndDecodes) {
    const Example& e = GetParam();
    EXPECT_EQ(compressed(e.scheme, e.raw), e.stored);
    EXPECT_EQ(expanded(e.scheme, e.stored, e.raw.size()), e.raw);
}

INSTANTIATE_TEST_SUITE_P(
    Schemes, WorkedExample,
    ::testing::Values(
        Example{"bytes", Compression::Byte, Bytes{5, 5, 5, 5, 7, 8, 9, 9, 9} + kZeros + kTail,
                Bytes{0x03, 0x05, 0xFE, 0x07, 0x08, 0x02, 0x09, 0x7F, 0, 0x7F, 0, 0xFC} + kTail},
        Example{"sixteen", Compression::SixteenBit,
                repeat({0x00, 0xF8}, 5) + Bytes{0xE0, 0x07, 0x1F, 0x00},
                Bytes{0x04, 0x00, 0xF8, 0xFE, 0xE0, 0x07, 0x1F, 0x00}},
        Example{"twentyfour", Compression::TwentyFourBit, repeat({0x00, 0x00, 0xFF}, 130),
                Bytes{0x7F, 0x00, 0x00, 0xFF, 0x01, 0x00, 0x00, 0xFF}},
        Example{"twelve", Compression::TwelveBit, repeat({0x00, 0x0F}, 20),
                Bytes{0x00, 0xFF, 0x00, 0x3F}}),
    [](const ::testing::TestParamInfo<Example>& testCase) {
        return std::string(testCase.param.name);
    });

// Where runs begin: byte streams need 3 equal bytes, wider units 2.
TEST(RleEncoder, ByteRunsStartAtThreeEqualBytes) {
    const Bytes raw = Bytes{1, 1, 2, 2, 2} + kZeros + kTail;
    EXPECT_EQ(compressed(Compression::Byte, raw),
              (Bytes{0xFE, 1, 1, 0x02, 2, 0x7F, 0, 0x7F, 0, 0xFC} + kTail));
    // Five bytes lie wholly in the literal tail: the result is longer than the input.
    Bytes out;
    EXPECT_FALSE(compressPixels(Compression::Byte, Bytes{2, 2, 2, 2, 2}, out));
}

TEST(RleEncoder, ByteStreamsEndWithASixtyFourthInLiteralBlocks) {
    // 6400 equal bytes: the last 100 are written as literal blocks, the rest as runs of 128.
    const Bytes raw(6400, 0x42);
    const Bytes out = compressed(Compression::Byte, raw);
    // 6300 = 49 x 128 + 28 -> 50 runs (100 bytes), then 100 literal bytes in one block.
    ASSERT_EQ(out.size(), 100u + 1 + 100);
    EXPECT_EQ(out[98], 27);  // the last run: 28 bytes
    EXPECT_EQ(out[100], 256 - 100);
    EXPECT_EQ(expanded(Compression::Byte, out, raw.size()), raw);
}

TEST(RleEncoder, WideUnitsStartRunsAtTwo) {
    const Bytes raw = Bytes{1, 0, 2, 0, 2, 0, 3, 0} + repeat({5, 0}, 20);
    EXPECT_EQ(compressed(Compression::SixteenBit, raw),
              (Bytes{0xFF, 1, 0, 0x01, 2, 0, 0xFF, 3, 0, 0x13, 5, 0}));
}

struct RunLength {
    std::size_t units;
    Bytes expectedControls;  // control bytes of the stream, in order
};

class SixteenBitRun : public ::testing::TestWithParam<RunLength> {};

TEST_P(SixteenBitRun, SplitsIntoRunsOfAtMost128) {
    // The run sits between two different pixels so that its edges are visible; a run of 40
    // behind them makes even the shortest case worth compressing.
    const Bytes raw =
        Bytes{9, 9} + repeat({4, 4}, GetParam().units) + Bytes{8, 8} + repeat({7, 7}, 40);
    const Bytes out = compressed(Compression::SixteenBit, raw);
    Bytes controls;
    for (std::size_t i = 0; i < out.size();) {
        controls.push_back(out[i]);
        i += out[i] < 128 ? 3 : 1 + 2 * (256 - out[i]);
    }
    EXPECT_EQ(controls, GetParam().expectedControls);
    EXPECT_EQ(expanded(Compression::SixteenBit, out, raw.size()), raw);
}

INSTANTIATE_TEST_SUITE_P(Lengths, SixteenBitRun,
                         ::testing::Values(RunLength{1, {0xFD, 0x27}},
                                           RunLength{2, {0xFF, 0x01, 0xFF, 0x27}},
                                           RunLength{3, {0xFF, 0x02, 0xFF, 0x27}},
                                           RunLength{128, {0xFF, 0x7F, 0xFF, 0x27}},
                                           RunLength{129, {0xFF, 0x7F, 0xFE, 0x27}},
                                           RunLength{130, {0xFF, 0x7F, 0x01, 0xFF, 0x27}}));

TEST(RleEncoder, LiteralBlocksHoldAtMost128Units) {
    Bytes raw;
    for (int i = 0; i < 300; ++i)
        raw.insert(raw.end(), {static_cast<std::uint8_t>(i), 0, 0});
    Bytes out;
    // 300 distinct units cost more than 7/8 of the raw size: the encoder gives up.
    EXPECT_FALSE(compressPixels(Compression::TwentyFourBit, raw, out));
    EXPECT_TRUE(out.empty());
    raw.insert(raw.end(), 3000, 0);  // 1000 black pixels make it worth compressing
    ASSERT_TRUE(compressPixels(Compression::TwentyFourBit, raw, out));
    EXPECT_EQ(out[0], 0x80);
    EXPECT_EQ(out[1 + 128 * 3], 0x80);
    EXPECT_EQ(out[2 + 256 * 3], 256 - 44);
    EXPECT_EQ(expanded(Compression::TwentyFourBit, out, raw.size()), raw);
}

TEST(RleEncoder, GivesUpJustPastItsShareOfTheRawSize) {
    // Byte scheme: 4 x k distinct bytes, then runs. 3/4 of 400 = 300.
    auto bytesWithRuns = [](std::size_t distinct) {
        Bytes raw;
        for (std::size_t i = 0; i < distinct; ++i)
            raw.push_back(static_cast<std::uint8_t>(i % 2));
        while (raw.size() < 400)
            raw.push_back(7);
        return raw;
    };
    Bytes out;
    // 296 alternating bytes -> 3 literal blocks (299 bytes) then a run (2) and the literal tail
    // of 6 bytes (7): 308 > 300, gives up. 280 alternating -> 283 + runs of 114 (2) + ... fits.
    EXPECT_FALSE(compressPixels(Compression::Byte, bytesWithRuns(296), out));
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(compressPixels(Compression::Byte, bytesWithRuns(280), out));
    EXPECT_LE(out.size(), 300u);
    // Twelve-bit never gives up, even when nothing repeats.
    Bytes distinct;
    for (int i = 0; i < 64; ++i)
        distinct.insert(distinct.end(), {static_cast<std::uint8_t>(i), 0});
    out.clear();
    EXPECT_TRUE(compressPixels(Compression::TwelveBit, distinct, out));
    EXPECT_EQ(out.size(), distinct.size());
}

TEST(RleEncoder, ThirtyTwoBitStoresThreeBytesOfEachPixel) {
    const Bytes raw = repeat({1, 2, 3, 0}, 4) + Bytes{4, 5, 6, 0};
    const Bytes out = compressed(Compression::ThirtyTwoBit, raw);
    EXPECT_EQ(out, (Bytes{0x03, 1, 2, 3, 0xFF, 4, 5, 6}));
    EXPECT_EQ(expanded(Compression::ThirtyTwoBit, out, raw.size()), raw);
    const Bytes alpha = repeat({1, 2, 3, 9}, 3);
    EXPECT_EQ(compressed(Compression::ThirtyTwoBitAlpha, alpha), (Bytes{0x02, 1, 2, 3, 9}));
}

TEST(RleDecoder, AcceptsRunsOfOneAndTwo) {
    EXPECT_EQ(expanded(Compression::Byte, {0x00, 7, 0x01, 8, 0xFF, 9}, 4), (Bytes{7, 8, 8, 9}));
    EXPECT_EQ(expanded(Compression::TwelveBit, {0x21, 0x03, 0x00, 0x10}, 6),
              (Bytes{0x21, 0x03, 0x00, 0x00, 0x00, 0x00}));
}

struct Damage {
    const char* name;
    Compression scheme;
    Bytes stored;
    std::size_t rawSize;
    const char* problem;
};

class DamagedStream : public ::testing::TestWithParam<Damage> {};

TEST_P(DamagedStream, IsRefused) {
    const Damage& d = GetParam();
    Bytes raw(d.rawSize);
    try {
        decompressPixels(d.scheme, d.stored, raw);
        FAIL() << "accepted";
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find(d.problem), std::string::npos) << error.what();
    }
    // The same from a file, read a piece at a time.
    try {
        felmo::testing::FileLikeSource file(d.stored);
        PixelExpander expander(d.scheme, file, 0, d.stored.size(), raw.size());
        expander.expand(raw);
        expander.finish();
        FAIL() << "accepted from a file";
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find(d.problem), std::string::npos) << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, DamagedStream,
    ::testing::Values(
        Damage{"too_short", Compression::Byte, {0x02, 5}, 4, "ends before the picture"},
        Damage{"empty", Compression::SixteenBit, {}, 4, "ends before the picture"},
        Damage{"run_too_long", Compression::Byte, {0x04, 5}, 4, "run goes past"},
        Damage{"literal_too_long",
               Compression::Byte,
               {0xFB, 1, 2, 3, 4, 5},
               4,
               "literal block goes past"},
        Damage{"trailing_bytes", Compression::Byte, {0x03, 5, 0x00, 5}, 4, "run goes past"},
        Damage{"run_without_unit", Compression::TwentyFourBit, {0x00, 1, 2}, 3, "inside a run"},
        Damage{"literal_cut_off",
               Compression::SixteenBit,
               {0xFE, 1, 2, 3},
               4,
               "inside a literal block"},
        Damage{"twelve_odd_length", Compression::TwelveBit, {0x00, 0x10, 0x00}, 4, "inside a word"},
        Damage{"twelve_too_long", Compression::TwelveBit, {0x00, 0xF0}, 4, "run goes past"},
        Damage{
            "twelve_too_short", Compression::TwelveBit, {0x00, 0x00}, 4, "ends before the picture"},
        Damage{"thirty_two_short",
               Compression::ThirtyTwoBit,
               {0x00, 1, 2, 3},
               8,
               "ends before the picture"}),
    [](const ::testing::TestParamInfo<Damage>& testCase) {
        return std::string(testCase.param.name);
    });

}  // namespace
}  // namespace felmo
