#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "base/error.hpp"
#include "pixel_map.hpp"
#include "platform/file_io.hpp"
#include "raster/bmp.hpp"
#include "support/system_reasons.hpp"

namespace felmo {
namespace {

using testing::positionColor;
using testing::positionRaster;

std::uint32_t le32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
           std::uint32_t{bytes[at + 3]} << 24;
}
std::uint32_t le16(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return bytes[at] | bytes[at + 1] << 8;
}

TEST(BmpWriter, FrameLayoutIsTheFixed54ByteHeaderThenBottomRowFirst) {
    Raster frame = positionRaster(176, 208);
    const std::vector<std::uint8_t> bytes = encodeBmp(frame);
    ASSERT_EQ(bytes.size(), 109878u);
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
    EXPECT_EQ(le32(bytes, 2), 109878u);
    EXPECT_EQ(le32(bytes, 6), 0u);  // both reserved words
    EXPECT_EQ(le32(bytes, 10), 54u);
    EXPECT_EQ(le32(bytes, 14), 40u);
    EXPECT_EQ(le32(bytes, 18), 176u);
    EXPECT_EQ(le32(bytes, 22), 208u);
    EXPECT_EQ(le16(bytes, 26), 1u);
    EXPECT_EQ(le16(bytes, 28), 24u);
    EXPECT_EQ(le32(bytes, 30), 0u);
    EXPECT_EQ(le32(bytes, 34), 109824u);
    EXPECT_EQ(le32(bytes, 38), 0u);
    EXPECT_EQ(le32(bytes, 42), 0u);
    EXPECT_EQ(le32(bytes, 46), 0u);
    EXPECT_EQ(le32(bytes, 50), 0u);
    // The first pixel stored is (0, 207), blue first; the last is (175, 0).
    const Color first = positionColor(0, 207);
    EXPECT_EQ(bytes[54], blueOf(first));
    EXPECT_EQ(bytes[55], greenOf(first));
    EXPECT_EQ(bytes[56], redOf(first));
    EXPECT_EQ(bytes[109877], redOf(positionColor(175, 0)));
}

TEST(BmpWriter, RowsArePaddedWithZerosToFourBytes) {
    Raster raster(175, 2, colors::white);
    const std::vector<std::uint8_t> bytes = encodeBmp(raster);
    ASSERT_EQ(bytes.size(), 54u + 2 * 528);
    EXPECT_EQ(le32(bytes, 34), 2u * 528);
    for (std::size_t row = 0; row < 2; ++row) {
        const std::size_t end = 54 + row * 528 + 525;
        EXPECT_EQ(bytes[end - 1], 0xFF);
        EXPECT_EQ(bytes[end], 0);
        EXPECT_EQ(bytes[end + 1], 0);
        EXPECT_EQ(bytes[end + 2], 0);
    }
}

TEST(BmpWriter, AStagedFileHoldsTheEncodedBytesAndAnotherFormatIsRefusedUnwritten) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("felmo-bmp-stage-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    Raster picture(5, 3, colors::white);  // 15-byte rows padded to 16
    picture.setPixel(4, 0, rgb(1, 2, 3));
    stageBmpFile(picture, folder / "a.bmp").commit();
    EXPECT_EQ(readWholeFile(folder / "a.bmp"), encodeBmp(picture));

    picture.setSourceFormat(PixelFormat::Bits8, {colors::white, colors::black});
    EXPECT_THROW(static_cast<void>(stageBmpFile(picture, folder / "b.bmp")), Error);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder),
                            std::filesystem::directory_iterator()),
              1);
    std::filesystem::remove_all(folder);
}

TEST(BmpWriter, ResolutionFieldsCarryTheRastersPixelsPerMetre) {
    Raster raster(1, 1);
    raster.setResolution(2835, 3780);
    const std::vector<std::uint8_t> bytes = encodeBmp(raster);
    EXPECT_EQ(le32(bytes, 38), 2835u);
    EXPECT_EQ(le32(bytes, 42), 3780u);
}

class BmpRoundTrip : public ::testing::TestWithParam<int> {};

TEST_P(BmpRoundTrip, WriteThenReadGivesThePixelsBack) {
    const int width = GetParam();
    const Raster original = positionRaster(width, 3);
    const Raster back = decodeBmp(encodeBmp(original));
    ASSERT_EQ(back.width(), width);
    ASSERT_EQ(back.height(), 3);
    EXPECT_TRUE(back.is24Bit());
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < width; ++x)
            ASSERT_EQ(back.pixel(x, y), positionColor(x, y)) << x << "," << y;
}

// Widths 1 to 4 hit every padding length; 175 is the frame width minus one.
INSTANTIATE_TEST_SUITE_P(EveryPadding, BmpRoundTrip, ::testing::Values(1, 2, 3, 4, 5, 175));

TEST(BmpWriter, RefusesRastersThatAreNot24Bit) {
    Raster raster(2, 2);
    raster.setSourceFormat(PixelFormat::Bits8, {colors::black, colors::white});
    EXPECT_THROW(encodeBmp(raster), Error);
    raster.convertTo24Bit();
    EXPECT_NO_THROW(encodeBmp(raster));
}

class BmpFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("felmo-bmp-test-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }
    std::filesystem::path folder_;
};

TEST_F(BmpFiles, SaveThenLoad) {
    const std::filesystem::path path = folder_ / "0.bmp";
    saveBmpFile(positionRaster(7, 5), path);
    EXPECT_EQ(std::filesystem::file_size(path), 54u + 5 * 24);
    const Raster back = loadBmpFile(path);
    EXPECT_EQ(back.pixel(6, 4), positionColor(6, 4));
    // Only the file itself is left behind: the temporary was renamed into place.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_),
                            std::filesystem::directory_iterator()),
              1);
}

TEST_F(BmpFiles, SaveIntoAMissingFolderNamesTheFileAndTheReason) {
    const std::filesystem::path path = folder_ / "missing" / "0.bmp";
    try {
        saveBmpFile(Raster(1, 1), path);
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot create file \"" + path.string() + "\". " +
                                                 testing::missingFolderReason());
    }
}

TEST_F(BmpFiles, LoadingAMissingFileNamesTheFileAndTheReason) {
    const std::filesystem::path path = folder_ / "absent.bmp";
    try {
        loadBmpFile(path);
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Cannot open file \"" + path.string() + "\". " + testing::missingFileReason());
    }
}

TEST_F(BmpFiles, LoadingSomethingElseNamesTheFileAndTheProblem) {
    const std::filesystem::path path = folder_ / "notes.bmp";
    std::ofstream(path) << "Just some text, not a picture.";
    try {
        loadBmpFile(path);
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Invalid BMP file \"" + path.string() +
                      "\". It does not begin with the BMP signature \"BM\".");
    }
}

}  // namespace
}  // namespace felmo
