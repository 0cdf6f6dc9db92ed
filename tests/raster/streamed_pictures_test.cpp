// PNG, JPEG and GIF files are read a piece at a time: a file gives what its bytes in memory give,
// whole, cut short or damaged; a file that shrinks while it is read is refused with the file's own
// message; and a large file costs its picture, not its bytes beside it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "base/error.hpp"
#include "platform/file_io.hpp"
#include "raster/gif.hpp"
#include "raster/jpeg.hpp"
#include "raster/picture_reader.hpp"
#include "raster/png.hpp"
#include "support/file_like_source.hpp"
#include "support/picture_files.hpp"
#include "support/resident_memory.hpp"
#include "support/temporary_folder.hpp"

namespace felmo {
namespace {

using testing::Bytes;

// Bytes from a fixed seed, which no compression shrinks.
Bytes noise(std::size_t count, unsigned seed) {
    std::mt19937 random(seed);
    Bytes bytes(count);
    for (std::uint8_t& byte : bytes)
        byte = static_cast<std::uint8_t>(random() >> 24);
    return bytes;
}

Bytes noisePng(int width, int height, bool interlaced = false) {
    testing::PngDescription description{width, height, 6, 8, interlaced, {}, {}, {}, {}, {}};
    const std::size_t stride = static_cast<std::size_t>(width) * 4;
    const Bytes samples = noise(stride * height, 1);
    for (int y = 0; y < height; ++y)
        description.rows.emplace_back(samples.begin() + y * stride,
                                      samples.begin() + (y + 1) * stride);
    return testing::encodePng(description, 1);
}

Bytes noiseJpeg(int width, int height, bool progressive = false) {
    const Bytes samples = noise(static_cast<std::size_t>(width) * height * 3, 2);
    return testing::encodeJpeg(
        width, height, 3, JCS_RGB,
        [&](int x, int y, std::uint8_t* pixel) {
            std::memcpy(pixel, &samples[(static_cast<std::size_t>(y) * width + x) * 3], 3);
        },
        progressive);
}

// Whole-canvas frames of noise in 256 colours, with transparency and every disposal.
Bytes noiseGif(int width, int height, int frames) {
    testing::GifDescription description;
    description.width = width;
    description.height = height;
    const Bytes table = noise(256 * 3, 3);
    for (std::size_t i = 0; i < 256; ++i)
        description.colours.push_back({table[i * 3], table[i * 3 + 1], table[i * 3 + 2]});
    for (int i = 0; i < frames; ++i) {
        testing::GifFrameDescription frame;
        frame.width = width;
        frame.height = height;
        frame.delayCs = 10 + i;
        frame.disposal = i % 4;
        frame.transparentIndex = i % 2 == 0 ? 7 : -1;
        frame.interlaced = i % 3 == 1;
        frame.indices = noise(static_cast<std::size_t>(width) * height, 4 + i);
        description.frames.push_back(std::move(frame));
    }
    return testing::encodeGif(description);
}

// A picture as bytes that compare whole: its size, colours and opacities.
Bytes dump(const DecodedPicture& picture) {
    const Raster& colour = picture.colour;
    Bytes bytes{static_cast<std::uint8_t>(colour.width()),
                static_cast<std::uint8_t>(colour.height()),
                static_cast<std::uint8_t>(colour.width() >> 8),
                static_cast<std::uint8_t>(colour.height() >> 8)};
    for (int y = 0; y < colour.height(); ++y)
        bytes.insert(bytes.end(), colour.storageRow(y),
                     colour.storageRow(y) + static_cast<std::size_t>(colour.width()) * 3);
    bytes.insert(bytes.end(), picture.alpha.begin(), picture.alpha.end());
    return bytes;
}

// What a decoder made of a source: the error's text, or every picture it handed over.
struct Outcome {
    std::string error;
    std::vector<Bytes> pictures;
    bool operator==(const Outcome&) const = default;
};

struct Format {
    const char* name;
    const char* fileName;
    Bytes (*make)();
    void (*decode)(ByteSource& source, std::vector<Bytes>& pictures);
};

const Format kFormats[] = {
    {"Png", "noise.png", [] { return noisePng(240, 180); },
     [](ByteSource& source, std::vector<Bytes>& pictures) {
         pictures.push_back(dump(decodePng(source)));
     }},
    {"InterlacedPng", "interlaced.png", [] { return noisePng(200, 180, true); },
     [](ByteSource& source, std::vector<Bytes>& pictures) {
         pictures.push_back(dump(decodePng(source)));
     }},
    {"Jpeg", "noise.jpg", [] { return noiseJpeg(256, 256); },
     [](ByteSource& source, std::vector<Bytes>& pictures) {
         pictures.push_back(dump(DecodedPicture{decodeJpeg(source), {}}));
     }},
    {"ProgressiveJpeg", "progressive.jpg", [] { return noiseJpeg(256, 256, true); },
     [](ByteSource& source, std::vector<Bytes>& pictures) {
         pictures.push_back(dump(DecodedPicture{decodeJpeg(source), {}}));
     }},
    {"Gif", "noise.gif", [] { return noiseGif(160, 120, 6); },
     [](ByteSource& source, std::vector<Bytes>& pictures) {
         pictures.push_back(dump(decodeGif(source)));
         const AnimationOutline outline = readGifOutline(source);
         pictures.push_back(Bytes(outline.delaysMs.begin(), outline.delaysMs.end()));
         composeGifFrames(source, [&](int, const DecodedPicture& frame) {
             pictures.push_back(dump(frame));
             return true;
         });
     }},
};

void PrintTo(const Format& format, std::ostream* out) {
    *out << format.name;
}

Outcome decodeFrom(const Format& format, ByteSource& source) {
    Outcome outcome;
    try {
        format.decode(source, outcome.pictures);
    } catch (const Error& error) {
        outcome.error = error.what();
        outcome.pictures.clear();
    }
    return outcome;
}

void writeFile(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

class StreamedPicture : public ::testing::TestWithParam<Format> {};

TEST_P(StreamedPicture, AFileReadInPiecesGivesWhatItsBytesInMemoryGive) {
    const Bytes whole = GetParam().make();
    ASSERT_GT(whole.size(), 2 * SourceCursor::kPieceBytes) << "the file must span several pieces";
    struct Variant {
        std::string name;
        Bytes bytes;
        bool mustFail;
    };
    std::vector<Variant> variants = {
        {"whole", whole, false},
        {"cut to a third", Bytes(whole.begin(), whole.begin() + whole.size() / 3), true},
        {"cut by a byte", Bytes(whole.begin(), whole.end() - 1), false},
        {"cut to its header", Bytes(whole.begin(), whole.begin() + 40), true}};
    for (const std::size_t at : {whole.size() / 2, whole.size() * 3 / 4, std::size_t{70000}}) {
        Bytes damaged = whole;
        damaged[at] ^= 0x5A;
        damaged[at + 1] ^= 0xFF;
        variants.push_back({"damaged at " + std::to_string(at), std::move(damaged), false});
    }
    for (const Variant& variant : variants) {
        MemorySource memory(variant.bytes);
        testing::FileLikeSource file(variant.bytes);
        const Outcome fromMemory = decodeFrom(GetParam(), memory);
        const Outcome fromFile = decodeFrom(GetParam(), file);
        EXPECT_EQ(fromFile, fromMemory)
            << variant.name << ": " << fromFile.error << " / " << fromMemory.error;
        EXPECT_LE(file.largestRead(), SourceCursor::kPieceBytes) << variant.name;
        if (variant.name == "whole") {
            EXPECT_EQ(fromFile.error, "");
        }
        if (variant.mustFail) {
            EXPECT_NE(fromFile.error, "") << variant.name;
        }
    }
}

// A file cut short after it was opened (another program rewrote it) is the file's own error,
// whichever pass meets it, not a damaged picture and not a crash.
TEST_P(StreamedPicture, AFileThatShrinksWhileReadIsRefusedWithItsOwnMessage) {
    testing::TemporaryFolder folder;
    const std::filesystem::path path = folder / GetParam().fileName;
    const Bytes bytes = GetParam().make();
    for (const std::size_t keep : {bytes.size() / 2, std::size_t{100}}) {
        writeFile(path, bytes);
        PictureFile file(path);
        std::filesystem::resize_file(path, keep);
        const std::string expected = cannotOpenMessage(path, "The file changed while it was read.");
        try {
            decodePictureFile(file);
            ADD_FAILURE() << "a shrunken file was decoded, keeping " << keep;
        } catch (const Error& error) {
            EXPECT_EQ(std::string(error.what()), expected) << keep;
        }
        try {
            composeFrames(file, [](int, const DecodedPicture&) { return true; });
            ADD_FAILURE() << "a shrunken file was composed, keeping " << keep;
        } catch (const Error& error) {
            EXPECT_EQ(std::string(error.what()), expected) << keep;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryKind, StreamedPicture, ::testing::ValuesIn(kFormats),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

// A large file of each kind whose bytes hardly compress: loading it costs the picture it holds
// and a few pieces, not a copy of the file beside it (which would add as much again).
struct LargeFile {
    const char* name;
    const char* fileName;
    Bytes (*make)();
    std::int64_t pictureBytes;
};

const LargeFile kLargeFiles[] = {
    // colours and opacities: 4 bytes a pixel, a file of about as much
    {"Png", "large.png", [] { return noisePng(2048, 1536); }, std::int64_t{2048} * 1536 * 4},
    // colours: 3 bytes a pixel, a file of about 2
    {"Jpeg", "large.jpg", [] { return noiseJpeg(2048, 1536); }, std::int64_t{2048} * 1536 * 3},
    // a 4-byte-a-pixel canvas, a file of fourteen frames each larger than a third of it
    {"ManyFrameGif", "large.gif", [] { return noiseGif(1024, 768, 14); },
     std::int64_t{1024} * 768 * 4},
};

void PrintTo(const LargeFile& large, std::ostream* out) {
    *out << large.name;
}

class LargeStreamedPicture : public ::testing::TestWithParam<LargeFile> {};

TEST_P(LargeStreamedPicture, CostsItsPictureNotItsFileBesideIt) {
    if (!testing::residentMemoryIsMeasurable())
        GTEST_SKIP() << "resident memory is not measurable in this build";
    testing::TemporaryFolder folder;
    const std::filesystem::path path = folder / GetParam().fileName;
    {
        const Bytes bytes = GetParam().make();
        ASSERT_GT(static_cast<std::int64_t>(bytes.size()), GetParam().pictureBytes / 2);
        writeFile(path, bytes);
    }
    const std::optional<std::int64_t> growth = testing::peakResidentGrowth([&path] {
        if (loadPictureFile(path).colour.width() < 1024)
            throw Error("not the picture");
    });
    ASSERT_TRUE(growth.has_value());
    EXPECT_LE(*growth, GetParam().pictureBytes + (std::int64_t{3} << 20));
}

INSTANTIATE_TEST_SUITE_P(EveryKind, LargeStreamedPicture, ::testing::ValuesIn(kLargeFiles),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

}  // namespace
}  // namespace felmo
