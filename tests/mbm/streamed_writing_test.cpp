// Compressing and writing a bitmap a piece at a time: the same bytes as all at once, and no
// buffer the size of the picture on the way.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "base/error.hpp"
#include "mbm/mbm_reader.hpp"
#include "mbm/mbm_writer.hpp"
#include "mbm/rle.hpp"
#include "support/file_like_source.hpp"
#include "support/resident_memory.hpp"

namespace felmo {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Stretches of runs, of noise and of near-runs (two equal units, then a change), so that tokens
// of every kind cross every piece boundary; `noiseShare` of 0..8 eighths noise.
Bytes mixedStream(std::size_t size, int noiseShare, std::uint32_t seed) {
    Bytes out;
    std::uint32_t state = seed;
    auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return state >> 24;
    };
    while (out.size() < size) {
        const std::size_t length = 1 + next() % 300;
        const std::uint32_t kind = next() % 8;
        const auto value = static_cast<std::uint8_t>(next());
        for (std::size_t k = 0; k < length && out.size() < size; ++k) {
            if (kind < static_cast<std::uint32_t>(noiseShare))
                out.push_back(static_cast<std::uint8_t>(next()));
            else if (kind == 7)
                out.push_back(static_cast<std::uint8_t>(value + (k / 2) % 2));
            else
                out.push_back(value);
        }
    }
    return out;
}

TEST(PixelCompressor, PiecesOfAnyLengthGiveTheBytesOfTheWhole) {
    const Compression schemes[] = {Compression::Byte,         Compression::TwelveBit,
                                   Compression::SixteenBit,   Compression::TwentyFourBit,
                                   Compression::ThirtyTwoBit, Compression::ThirtyTwoBitAlpha};
    const std::size_t sizes[] = {1, 5, 12, 131, 4000, 24001};
    const std::size_t pieces[] = {1, 2, 3, 7, 64, 129, 130, 131, 133, 385, 1000};
    int givingUp = 0;
    for (const Compression scheme : schemes)
        for (const std::size_t size : sizes)
            for (const int noise : {0, 3, 6, 8}) {
                const Bytes raw =
                    mixedStream(size, noise, static_cast<std::uint32_t>(size + noise));
                Bytes whole;
                const bool wholeCompressed = compressPixels(scheme, raw, whole);
                givingUp += wholeCompressed ? 0 : 1;
                for (const std::size_t piece : pieces) {
                    Bytes handedOn;
                    PixelCompressor compressor(
                        scheme, raw.size(), [&](std::span<const std::uint8_t> stored) {
                            handedOn.insert(handedOn.end(), stored.begin(), stored.end());
                        });
                    bool going = true;
                    for (std::size_t at = 0; going && at < raw.size(); at += piece)
                        going = compressor.feed(
                            std::span(raw).subspan(at, std::min(piece, raw.size() - at)));
                    const bool pieceCompressed = going && compressor.finish();
                    SCOPED_TRACE(::testing::Message()
                                 << "scheme " << static_cast<int>(scheme) << ", " << size
                                 << " bytes, noise " << noise << ", pieces of " << piece);
                    ASSERT_EQ(pieceCompressed, wholeCompressed);
                    if (wholeCompressed)
                        ASSERT_EQ(handedOn, whole);
                    else  // the plain bitmap written after it covers all that was handed on
                        ASSERT_LE(handedOn.size(), raw.size());
                }
            }
    EXPECT_GT(givingUp, 0) << "no case where the scheme gives up";
}

TEST(PixelExpander, PiecesOfWholePixelsGiveTheBytesOfTheWhole) {
    const Compression schemes[] = {Compression::Byte,         Compression::TwelveBit,
                                   Compression::SixteenBit,   Compression::TwentyFourBit,
                                   Compression::ThirtyTwoBit, Compression::ThirtyTwoBitAlpha};
    for (const Compression scheme : schemes) {
        const std::size_t pixel =
            scheme == Compression::Byte                                             ? 1
            : scheme == Compression::TwentyFourBit                                  ? 3
            : scheme == Compression::TwelveBit || scheme == Compression::SixteenBit ? 2
                                                                                    : 4;
        Bytes raw = mixedStream(pixel * 3000, 3, 5);
        if (scheme == Compression::ThirtyTwoBit)  // the fourth byte is not stored: it reads as 0
            for (std::size_t i = 3; i < raw.size(); i += 4)
                raw[i] = 0;
        if (scheme == Compression::TwelveBit)  // the top nibble is not stored either
            for (std::size_t i = 1; i < raw.size(); i += 2)
                raw[i] &= 0x0F;
        Bytes stored;
        ASSERT_TRUE(compressPixels(scheme, raw, stored));
        for (const std::size_t piece :
             {std::size_t{1}, std::size_t{7}, std::size_t{129}, std::size_t{1000}}) {
            PixelExpander expander(scheme, stored, raw.size());
            Bytes back;
            for (std::size_t at = 0; at < raw.size(); at += piece * pixel) {
                Bytes part(std::min(piece * pixel, raw.size() - at));
                expander.expand(part);
                back.insert(back.end(), part.begin(), part.end());
            }
            expander.finish();
            EXPECT_EQ(back, raw) << "scheme " << static_cast<int>(scheme) << ", pieces of "
                                 << piece;
        }
    }
}

// Expands the stream at `position` of `source` in pieces of `piece` pixels; the error's text, if
// any.
std::string expandFrom(ByteSource& source, std::size_t position, std::size_t storedBytes,
                       Compression scheme, std::size_t pixel, std::size_t piece, Bytes& back) {
    try {
        PixelExpander expander(scheme, source, position, storedBytes, back.size());
        for (std::size_t at = 0; at < back.size(); at += piece * pixel)
            expander.expand(std::span(back).subspan(at, std::min(piece * pixel, back.size() - at)));
        expander.finish();
    } catch (const Error& error) {
        return error.what();
    }
    return "";
}

TEST(PixelExpander, AStreamReadFromAFileGivesTheBytesAndTheFaultsOfTheWhole) {
    const std::pair<Compression, std::size_t> schemes[] = {
        {Compression::Byte, 1},         {Compression::TwelveBit, 2},
        {Compression::SixteenBit, 2},   {Compression::TwentyFourBit, 3},
        {Compression::ThirtyTwoBit, 4}, {Compression::ThirtyTwoBitAlpha, 4}};
    for (const auto& [scheme, pixel] : schemes) {
        Bytes raw = mixedStream(pixel * 300000, 4, 11);
        for (std::size_t i = 0; i < raw.size(); ++i) {
            if (scheme == Compression::ThirtyTwoBit && i % 4 == 3)
                raw[i] = 0;
            if (scheme == Compression::TwelveBit && i % 2 == 1)
                raw[i] &= 0x0F;
        }
        Bytes stored;
        ASSERT_TRUE(compressPixels(scheme, raw, stored));
        ASSERT_GT(stored.size(), 2 * SourceCursor::kPieceBytes);
        // The stream in the middle of a file, so that neither end of the file bounds it.
        Bytes file(13, 0x55);
        file.insert(file.end(), stored.begin(), stored.end());
        file.insert(file.end(), 9, 0x00);
        for (const std::size_t piece : {std::size_t{1}, std::size_t{129}, std::size_t{5000}}) {
            testing::FileLikeSource source(file);
            Bytes back(raw.size());
            EXPECT_EQ(expandFrom(source, 13, stored.size(), scheme, pixel, piece, back), "");
            EXPECT_EQ(back, raw) << "scheme " << static_cast<int>(scheme) << ", pieces of "
                                 << piece;
            EXPECT_LE(source.largestRead(), SourceCursor::kPieceBytes);
        }
        // A stream cut short, or running on past the picture, is refused as in memory.
        for (const std::size_t storedBytes : {stored.size() - 2, stored.size() + 2}) {
            Bytes inMemory(raw.size()), fromFile(raw.size());
            MemorySource memory(file);
            testing::FileLikeSource source(file);
            const std::string fault =
                expandFrom(memory, 13, storedBytes, scheme, pixel, 1000, inMemory);
            EXPECT_NE(fault, "") << "scheme " << static_cast<int>(scheme);
            EXPECT_EQ(expandFrom(source, 13, storedBytes, scheme, pixel, 1000, fromFile), fault);
        }
    }
}

TEST(PixelCompressor, FeedingMoreOrLessThanTheBitmapIsAnError) {
    const Bytes raw(10, 7);
    PixelCompressor tooMuch(Compression::Byte, 9, [](std::span<const std::uint8_t>) {});
    EXPECT_THROW(tooMuch.feed(raw), Error);
    PixelCompressor tooLittle(Compression::Byte, 11, [](std::span<const std::uint8_t>) {});
    tooLittle.feed(raw);
    EXPECT_THROW(tooLittle.finish(), Error);
}

// A file-like output that keeps the bytes, or only counts them.
class TestOutput final : public PositionedOutput {
  public:
    explicit TestOutput(bool keep) : keep_(keep) {}
    void write(std::span<const std::uint8_t> piece) override {
        if (keep_) {
            if (position_ + piece.size() > bytes.size())
                bytes.resize(position_ + piece.size());
            std::memcpy(bytes.data() + position_, piece.data(), piece.size());
        }
        position_ += piece.size();
        end = std::max(end, position_);
    }
    void seek(std::uint64_t position) override {
        if (position > end)
            throw Error("seek past the end");
        position_ = static_cast<std::size_t>(position);
    }
    std::uint64_t position() const override { return position_; }
    Bytes bytes;
    std::size_t end = 0;

  private:
    bool keep_;
    std::size_t position_ = 0;
};

Raster stripedPicture(int width, int height, int noiseRows) {
    Raster raster(width, height);
    std::uint32_t state = 99;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = raster.storageRow(y);
        for (int x = 0; x < width * 3; ++x) {
            state = state * 1664525u + 1013904223u;
            row[x] = y < noiseRows ? static_cast<std::uint8_t>(state >> 24)
                                   : static_cast<std::uint8_t>(x / 90 + y / 7);
        }
    }
    return raster;
}

TEST(MbmWriterOutput, AFileLikeOutputGetsTheBytesOfTheFileInMemory) {
    // Compressed, given up on (mostly noise) and plain bitmaps, of odd widths.
    const Raster calm = stripedPicture(333, 120, 0);
    const Raster noisy = stripedPicture(97, 300, 290);
    const BitmapMode modes[] = {{2, ColorKind::Grey},   {8, ColorKind::Color},
                                {12, ColorKind::Color}, {16, ColorKind::Color},
                                {24, ColorKind::Color}, {32, ColorKind::Color}};
    for (const MbmStorage storage : {MbmStorage::Compressed, MbmStorage::Uncompressed}) {
        std::vector<MbmFrame> frames;
        for (const BitmapMode& mode : modes) {
            frames.push_back({&calm, mode});
            frames.push_back({&noisy, mode});
        }
        TestOutput output(true);
        MbmWriter writer(output, storage);
        for (const MbmFrame& frame : frames)
            writer.add(*frame.raster, frame.mode);
        EXPECT_TRUE(writer.finish().empty());
        EXPECT_EQ(output.bytes, encodeMbm(frames, storage));
        EXPECT_EQ(output.end, output.bytes.size());
    }
}

TEST(MbmWriterOutput, WritingABitmapHoldsAFewRowsNotTheWholePicture) {
    if (!testing::residentMemoryIsMeasurable())
        GTEST_SKIP() << "resident memory is not measurable in this build";
    // 8 MiB of 32-bit pixels (plain, compressed and given up on) written with at most about
    // two pieces of rows and the stored tokens in hand.
    const Raster picture = stripedPicture(2048, 1024, 512);
    constexpr std::int64_t kAllowance = std::int64_t{2} << 20;
    for (const MbmStorage storage : {MbmStorage::Compressed, MbmStorage::Uncompressed}) {
        const std::optional<std::int64_t> growth = testing::peakResidentGrowth([&] {
            TestOutput output(false);
            MbmWriter writer(output, storage);
            writer.add(picture, {32, ColorKind::Color});
            writer.add(picture, {16, ColorKind::Color});
            writer.finish();
        });
        ASSERT_TRUE(growth.has_value());
        EXPECT_LE(*growth, kAllowance) << "storage " << static_cast<int>(storage);
    }
}

TEST(MbmReaderBands, ReadingACompressedBitmapHoldsAFewRowsNotItsWholeBuffer) {
    if (!testing::residentMemoryIsMeasurable())
        GTEST_SKIP() << "resident memory is not measurable in this build";
    // 8 MiB of 32-bit pixels, compressed: the raster (6 MiB) and a band of rows, not the buffer.
    const Raster picture = stripedPicture(2048, 1024, 0);
    const MbmFrame frame{&picture, {32, ColorKind::Color}};
    const Bytes file = encodeMbm({&frame, 1});
    ASSERT_EQ(readMbmDirectory(file).at(0).compression, Compression::ThirtyTwoBit);
    const std::optional<std::int64_t> growth = testing::peakResidentGrowth([&file] {
        checkMbmBitmap(file, readMbmDirectory(file).at(0));
        const Raster back = decodeMbmBitmap(file, std::size_t{0});
        if (back.width() != 2048)
            throw Error("not the picture");
    });
    ASSERT_TRUE(growth.has_value());
    EXPECT_LE(*growth, std::int64_t{2048} * 1024 * 3 + (std::int64_t{3} << 20));
}

}  // namespace
}  // namespace felmo
