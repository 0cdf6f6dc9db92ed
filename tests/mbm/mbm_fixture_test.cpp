// The real files of the fixture folder: packing the two source pictures gives every packed file
// of the set, byte for byte; every valid file decodes as the storage rules say; every broken copy
// is refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include <filesystem>
#include <string>
#include <vector>

#include "base/error.hpp"
#include "mbm/mbm_reader.hpp"
#include "mbm/mbm_writer.hpp"
#include "platform/file_io.hpp"
#include "raster/bmp.hpp"

namespace felmo {
namespace {

const std::filesystem::path kFixtures = FELMO_FIXTURES_DIR;

std::vector<std::uint8_t> fixture(const std::string& name) {
    return readWholeFile(kFixtures / name);
}

struct PackCase {
    const char* source;
    const char* expected;
    int bitsPerPixel;
    MbmStorage storage;
};

class PackFixture : public testing::TestWithParam<PackCase> {};

TEST_P(PackFixture, MatchesTheFixtureByteForByte) {
    const PackCase& c = GetParam();
    const Raster picture = decodeBmp(fixture(c.source));
    const MbmFrame frame{&picture, BitmapMode{c.bitsPerPixel, ColorKind::Color}};
    const std::vector<std::uint8_t> written = encodeMbm({&frame, 1}, c.storage);
    const std::vector<std::uint8_t> expected = fixture(c.expected);
    ASSERT_EQ(written.size(), expected.size());
    std::size_t firstDifference = 0;
    while (firstDifference < written.size() &&
           written[firstDifference] == expected[firstDifference])
        ++firstDifference;
    EXPECT_EQ(firstDifference, written.size()) << "first difference at byte " << firstDifference;
}

INSTANTIATE_TEST_SUITE_P(
    SdkFiles, PackFixture,
    testing::Values(PackCase{"rletest.bmp", "rletest_8ramc.mbm", 8, MbmStorage::Compressed},
                    PackCase{"rletest.bmp", "rletest_12ramc.mbm", 12, MbmStorage::Compressed},
                    PackCase{"rletest.bmp", "rletest_16ram.mbm", 16, MbmStorage::Uncompressed},
                    PackCase{"rletest.bmp", "rletest_16ramc.mbm", 16, MbmStorage::Compressed},
                    PackCase{"rletest.bmp", "rletest_24ram.mbm", 24, MbmStorage::Uncompressed},
                    PackCase{"rletest.bmp", "rletest_24ramc.mbm", 24, MbmStorage::Compressed},
                    PackCase{"comp.bmp", "comp_12ram.mbm", 12, MbmStorage::Uncompressed},
                    PackCase{"comp.bmp", "comp_12ramc.mbm", 12, MbmStorage::Compressed}),
    [](const testing::TestParamInfo<PackCase>& testCase) {
        std::string name = testCase.param.expected;
        return name.substr(0, name.find('.'));
    });

// A colour from channel values known to lie in 0..255.
Color rgbOf(unsigned r, unsigned g, unsigned b) {
    return rgb(static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
               static_cast<std::uint8_t>(b));
}

// The source picture quantised by hand, channel by channel, for one depth.
Color quantised(Color c, int bitsPerPixel) {
    unsigned r = redOf(c), g = greenOf(c), b = blueOf(c);
    if (r == g && g == b && r == 128)
        r = g = b = 127;
    if (r == g && g == b && r == 192)
        r = g = b = 187;
    switch (bitsPerPixel) {
        case 12:
            return rgbOf((r >> 4) * 17, (g >> 4) * 17, (b >> 4) * 17);
        case 16:
            return rgbOf((r >> 3) * 255 / 31, (g >> 2) * 255 / 63, (b >> 3) * 255 / 31);
        default:
            return rgbOf(r, g, b);
    }
}

struct UnpackCase {
    const char* source;
    const char* packed;
    int bitsPerPixel;
};

class UnpackFixture : public testing::TestWithParam<UnpackCase> {};

TEST_P(UnpackFixture, GivesThePictureQuantisedToTheDepth) {
    const UnpackCase& c = GetParam();
    const Raster picture = decodeBmp(fixture(c.source));
    const std::vector<MbmBitmap> bitmaps = decodeMbm(fixture(c.packed));
    ASSERT_EQ(bitmaps.size(), 1u);
    const Raster& unpacked = bitmaps[0].raster;
    ASSERT_EQ(unpacked.width(), picture.width());
    ASSERT_EQ(unpacked.height(), picture.height());
    int wrong = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            if (unpacked.pixel(x, y) != quantised(picture.pixel(x, y), c.bitsPerPixel))
                ++wrong;
        }
    }
    EXPECT_EQ(wrong, 0);
    // 600 px at 3780 pixels per metre is 899 twips; 150 px is 224.
    EXPECT_EQ(bitmaps[0].info.widthTwips, picture.width() == 600 ? 899 : 224);
}

INSTANTIATE_TEST_SUITE_P(SdkFiles, UnpackFixture,
                         testing::Values(UnpackCase{"rletest.bmp", "rletest_12ramc.mbm", 12},
                                         UnpackCase{"rletest.bmp", "rletest_16ram.mbm", 16},
                                         UnpackCase{"rletest.bmp", "rletest_16ramc.mbm", 16},
                                         UnpackCase{"rletest.bmp", "rletest_24ram.mbm", 24},
                                         UnpackCase{"rletest.bmp", "rletest_24ramc.mbm", 24},
                                         UnpackCase{"comp.bmp", "comp_12ram.mbm", 12},
                                         UnpackCase{"comp.bmp", "comp_12ramc.mbm", 12}));

std::vector<std::filesystem::path> otherFiles() {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(kFixtures / "other"))
        files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

TEST(OtherFixtures, EveryFileDecodesToItsHeadersSizes) {
    const auto files = otherFiles();
    ASSERT_EQ(files.size(), 19u);
    for (const auto& path : files) {
        SCOPED_TRACE(path.filename().string());
        const auto bytes = readWholeFile(path);
        const std::vector<MbmBitmap> bitmaps = decodeMbm(bytes);
        ASSERT_FALSE(bitmaps.empty());
        for (const MbmBitmap& bitmap : bitmaps) {
            EXPECT_EQ(bitmap.raster.width(), bitmap.info.width);
            EXPECT_EQ(bitmap.raster.height(), bitmap.info.height);
            EXPECT_TRUE(bitmap.raster.is24Bit());
        }
    }
}

// Pixels read straight from the stored bytes of uncompressed files, independently of the reader.
std::uint32_t storedWord(const std::vector<std::uint8_t>& file, std::size_t offset) {
    return file[offset] | (file[offset + 1] << 8);
}

TEST(OtherFixtures, UncompressedPixelsMatchTheStoredBytes) {
    struct Probe {
        const char* file;
        int x, y;
    };
    for (const Probe& probe : {Probe{"other/16bit.mbm", 0, 0}, Probe{"other/16bit.mbm", 399, 299},
                               Probe{"other/16bit.mbm", 123, 45}, Probe{"other/12bit.mbm", 7, 200},
                               Probe{"other/12bit.mbm", 399, 0}, Probe{"other/24bit.mbm", 250, 150},
                               Probe{"other/24bit.mbm", 0, 299}, Probe{"other/mono_c24.mbm", 10, 5},
                               Probe{"other/mono_c16.mbm", 10, 10}}) {
        SCOPED_TRACE(std::string(probe.file) + " " + std::to_string(probe.x) + "," +
                     std::to_string(probe.y));
        const auto bytes = fixture(probe.file);
        const std::vector<MbmBitmap> bitmaps = decodeMbm(bytes);
        const MbmBitmapInfo& info = bitmaps[0].info;
        const std::size_t data = 20 + 40;
        Color expected = 0;
        if (info.mode.bitsPerPixel == 24) {
            const std::size_t stride = (3 * info.width + 11) / 12 * 12;
            const std::size_t at = data + probe.y * stride + probe.x * 3;
            expected = rgb(bytes[at + 2], bytes[at + 1], bytes[at]);
        } else {
            const std::size_t stride = (info.width + 1) / 2 * 4;
            const std::uint32_t word = storedWord(bytes, data + probe.y * stride + probe.x * 2);
            if (info.mode.bitsPerPixel == 16)
                expected = rgbOf((word >> 11) * 255 / 31, ((word >> 5) & 63) * 255 / 63,
                                 (word & 31) * 255 / 31);
            else
                expected = rgb(((word >> 8) & 15) * 17, ((word >> 4) & 15) * 17, (word & 15) * 17);
        }
        EXPECT_EQ(bitmaps[0].raster.pixel(probe.x, probe.y), expected);
    }
}

TEST(OtherFixtures, CompressedAndUncompressedCopiesOfOnePictureAgree) {
    // One 400 x 300 picture stored plainly and run-length compressed by other tools; the 24-bit
    // compressed copy was made from the 16-bit one, so it agrees with 16-bit read back to 24.
    for (const auto& [plain, compressed] : {std::pair{"other/12bit.mbm", "other/racompr12.mbm"},
                                            std::pair{"other/16bit.mbm", "other/racompr16.mbm"},
                                            std::pair{"other/16bit.mbm", "other/racompr24.mbm"}}) {
        SCOPED_TRACE(compressed);
        const auto a = decodeMbm(fixture(plain));
        const auto b = decodeMbm(fixture(compressed));
        ASSERT_EQ(a.size(), 1u);
        ASSERT_EQ(b.size(), 1u);
        int differences = 0;
        for (int y = 0; y < 300; ++y)
            for (int x = 0; x < 400; ++x)
                differences += a[0].raster.pixel(x, y) != b[0].raster.pixel(x, y);
        EXPECT_EQ(differences, 0);
    }
}

TEST(OtherFixtures, MultiBitmapFilesListEveryBitmap) {
    const auto covers = readMbmDirectory(fixture("other/covers.mbm"));
    ASSERT_EQ(covers.size(), 20u);
    EXPECT_EQ(covers[0].compression, Compression::None);
    EXPECT_EQ(covers[1].compression, Compression::SixteenBit);
    const auto paint = decodeMbm(fixture("other/paint24ramc.mbm"));
    ASSERT_EQ(paint.size(), 25u);
    EXPECT_EQ(paint[24].raster.width(), 32);
    EXPECT_EQ(paint[24].raster.height(), 15);
    const auto small = decodeMbm(fixture("other/8ramc2.mbm"));
    ASSERT_EQ(small.size(), 2u);
    EXPECT_EQ(small[1].raster.width(), 25);  // odd width: 3 padding bytes a row
    EXPECT_EQ(small[1].raster.height(), 74);
}

TEST(CorruptFixtures, TheValidFileDecodes) {
    const auto bitmaps = decodeMbm(fixture("corrupt/00_grbmap.mbm"));
    ASSERT_EQ(bitmaps.size(), 2u);
    EXPECT_EQ(bitmaps[0].raster.width(), 48);
    EXPECT_EQ(bitmaps[1].raster.height(), 48);
}

struct BrokenCase {
    const char* file;
    const char* problem;  // part of the message
};

class BrokenFixture : public testing::TestWithParam<BrokenCase> {};

TEST_P(BrokenFixture, IsRefusedWithAMessageNamingTheProblem) {
    const auto bytes = fixture(std::string("corrupt/") + GetParam().file);
    try {
        decodeMbm(bytes);
        FAIL() << "accepted";
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find(GetParam().problem), std::string::npos)
            << error.what();
        EXPECT_EQ(std::string(error.what()).rfind("Bitmap 1: ", 0), 0u) << error.what();
    }
    EXPECT_THROW(readMbmDirectory(bytes), Error);
}

INSTANTIATE_TEST_SUITE_P(
    NineBrokenCopies, BrokenFixture,
    testing::Values(BrokenCase{"01_totalstramsize.mbm", "bitmap size 4294967295"},
                    BrokenCase{"02_headersize.mbm", "header length"},
                    BrokenCase{"03_width.mbm", "size -1 x 48"},
                    BrokenCase{"04_height.mbm", "size 48 x -1"},
                    BrokenCase{"05_bitsperpixel.mbm", "-1 bits per pixel"},
                    BrokenCase{"bad_bmpsize.mbm", "131328 x 32772 pixels, larger than"},
                    BrokenCase{"bad_colormode.mbm", "colour value -1"},
                    BrokenCase{"bad_compression.mbm", "compression -1"},
                    BrokenCase{"bad_paletteentries.mbm", "palette entries"}),
    [](const testing::TestParamInfo<BrokenCase>& testCase) {
        std::string name = testCase.param.file;
        name = name.substr(0, name.find('.'));
        for (char& ch : name)
            if (!std::isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        return name;
    });

}  // namespace
}  // namespace felmo
