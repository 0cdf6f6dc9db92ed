#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "base/error.hpp"
#include "pixel_map.hpp"
#include "raster/bmp.hpp"
#include "raster/picture_reader.hpp"
#include "support/picture_files.hpp"
#include "support/resident_memory.hpp"
#include "support/temporary_folder.hpp"

namespace felmo {
namespace {

using testing::Bytes;

void writeFile(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

// The 6 x 5 position picture as RGB / RGBA bytes.
Bytes pictureBytes(int channels) {
    const Raster picture = testing::positionRaster(6, 5);
    Bytes bytes;
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) {
            const Color c = picture.pixel(x, y);
            bytes.insert(bytes.end(), {redOf(c), greenOf(c), blueOf(c)});
            if (channels == 4)
                bytes.push_back(255);
        }
    return bytes;
}

// The same picture in every format with a lossless encoding of it.
struct Sample {
    const char* name;
    PictureFormat format;
    Bytes (*make)();
};
const Sample kLosslessSamples[] = {
    {"bmp", PictureFormat::Bmp, [] { return encodeBmp(testing::positionRaster(6, 5)); }},
    {"png", PictureFormat::Png, [] { return testing::encodeRgbPng(6, 5, pictureBytes(3)); }},
    {"webp", PictureFormat::WebP, [] { return testing::encodeWebp(6, 5, pictureBytes(4)); }},
};

class LosslessSample : public ::testing::TestWithParam<Sample> {};

// Every name, whatever its ending, reads by content to the same pixels.
TEST_P(LosslessSample, IsRecognisedByContentAndGivesThePicture) {
    testing::TemporaryFolder folder;
    const Bytes bytes = GetParam().make();
    EXPECT_EQ(pictureFormatOf(bytes), GetParam().format);
    const Raster expected = testing::positionRaster(6, 5);
    for (const char* name : {"picture.bMp", "picture.jpg", "picture"}) {
        writeFile(folder / name, bytes);
        const DecodedPicture picture = loadPictureFile(folder / name);
        ASSERT_EQ(picture.colour.width(), 6) << name;
        ASSERT_EQ(picture.colour.height(), 5) << name;
        EXPECT_FALSE(picture.hasAlpha());
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 6; ++x)
                EXPECT_EQ(picture.colour.pixel(x, y), expected.pixel(x, y)) << name;
    }
}
INSTANTIATE_TEST_SUITE_P(Formats, LosslessSample, ::testing::ValuesIn(kLosslessSamples),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(PictureReader, OtherContentIsRefusedNamingTheFileAndTheFormatsRead) {
    testing::TemporaryFolder folder;
    for (const Bytes& bytes : {Bytes{}, Bytes{'h', 'e', 'l', 'l', 'o'},
                               Bytes{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'A', 'V', 'I', ' '}}) {
        writeFile(folder / "notes.png", bytes);
        try {
            loadPictureFile(folder / "notes.png");
            FAIL() << "unrecognised content was accepted";
        } catch (const Error& error) {
            EXPECT_EQ(std::string(error.what()), "Cannot read \"" + (folder / "notes.png") +
                                                     "\": it is not a JPEG, BMP, PNG, GIF or WebP "
                                                     "picture.");
        }
    }
}

// A good file of each kind cut short, or with its data overwritten: each gets its own decoder's
// message naming the file, never another format's.
struct Damage {
    const char* name;
    const char* format;
    Bytes (*make)();
};
Bytes truncated(Bytes bytes) {
    bytes.resize(bytes.size() / 2);
    return bytes;
}
Bytes smallGif() {
    testing::GifDescription description{8, 8, {{0, 0, 0}, {255, 255, 255}}, {}};
    Bytes indices(64);
    for (std::size_t i = 0; i < indices.size(); ++i)
        indices[i] = static_cast<std::uint8_t>((i * 7) % 3 == 0);
    description.frames.push_back(
        testing::GifFrameDescription{0, 0, 8, 8, 0, 0, -1, false, {}, indices});
    return testing::encodeGif(description);
}
const Damage kDamaged[] = {
    {"TruncatedBmp", "BMP", [] { return truncated(encodeBmp(testing::positionRaster(6, 5))); }},
    {"TruncatedPng", "PNG", [] { return truncated(testing::encodeRgbPng(6, 5, pictureBytes(3))); }},
    {"PngWithBadChecksum", "PNG",
     [] {
         Bytes bytes = testing::encodeRgbPng(6, 5, pictureBytes(3));
         bytes[40] ^= 0xFF;  // inside the picture data
         return bytes;
     }},
    {"PngHeaderOnly", "PNG", [] { return Bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}; }},
    {"TruncatedGif", "GIF", [] { return truncated(smallGif()); }},
    {"GifHeaderOnly", "GIF", [] { return Bytes{'G', 'I', 'F', '8', '9', 'a'}; }},
    {"TruncatedWebp", "WebP", [] { return truncated(testing::encodeWebp(6, 5, pictureBytes(4))); }},
    {"WebpWithBadData", "WebP",
     [] {
         Bytes bytes = testing::encodeWebp(6, 5, pictureBytes(4));
         for (std::size_t i = 20; i < bytes.size(); ++i)
             bytes[i] = 0xFF;
         return bytes;
     }},
};

class DamagedFile : public ::testing::TestWithParam<Damage> {};

TEST_P(DamagedFile, GetsItsOwnDecodersMessage) {
    testing::TemporaryFolder folder;
    writeFile(folder / "broken.jpg", GetParam().make());
    try {
        loadPictureFile(folder / "broken.jpg");
        FAIL() << "a damaged file was accepted";
    } catch (const Error& error) {
        const std::string expectedStart = std::string("Invalid ") + GetParam().format + " file \"" +
                                          (folder / "broken.jpg") + "\". ";
        EXPECT_EQ(std::string(error.what()).rfind(expectedStart, 0), 0u) << error.what();
    }
}
INSTANTIATE_TEST_SUITE_P(Formats, DamagedFile, ::testing::ValuesIn(kDamaged),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(PictureReader, ABmpFileCostsItsRasterNotItsBytesBesideIt) {
    if (!testing::residentMemoryIsMeasurable())
        GTEST_SKIP() << "resident memory is not measurable in this build";
    constexpr int kWidth = 2048, kHeight = 1024;  // 6 MiB of pixels, a 6 MiB file
    testing::TemporaryFolder folder;
    saveBmpFile(testing::positionRaster(kWidth, kHeight), folder / "large.bmp");
    const std::optional<std::int64_t> growth = testing::peakResidentGrowth([&folder] {
        if (loadPictureFile(folder / "large.bmp").colour.width() != kWidth)
            throw Error("not the picture");
    });
    ASSERT_TRUE(growth.has_value());
    EXPECT_LE(*growth, std::int64_t{kWidth} * kHeight * 3 + (std::int64_t{3} << 20));
}

TEST(PictureReader, StillsAreOneFrameAndAnimationsGiveTheirDelays) {
    testing::TemporaryFolder folder;
    writeFile(folder / "still.png", testing::encodeRgbPng(6, 5, pictureBytes(3)));
    PictureFile still(folder / "still.png");
    EXPECT_EQ(frameDelaysMs(still), std::vector<int>{0});
    int visits = 0;
    composeFrames(still, [&](int index, const DecodedPicture& frame) {
        EXPECT_EQ(index, 0);
        EXPECT_EQ(frame.colour.pixel(5, 4), testing::positionColor(5, 4));
        ++visits;
        return true;
    });
    EXPECT_EQ(visits, 1);

    testing::GifDescription description{1, 1, {{0, 0, 0}, {255, 255, 255}}, {}};
    description.frames = {testing::GifFrameDescription{0, 0, 1, 1, 3, 0, -1, false, {}, {0}},
                          testing::GifFrameDescription{0, 0, 1, 1, 12, 0, -1, false, {}, {1}}};
    writeFile(folder / "moving.gif", testing::encodeGif(description));
    PictureFile moving(folder / "moving.gif");
    EXPECT_EQ(frameDelaysMs(moving), (std::vector<int>{30, 120}));
}

}  // namespace
}  // namespace felmo
