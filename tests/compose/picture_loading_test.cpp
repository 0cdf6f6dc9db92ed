#include "compose/picture_loading.hpp"

#include <gtest/gtest.h>
// clang-format off
#include <cstdio>  // jpeglib.h needs FILE and size_t first
#include <jpeglib.h>
// clang-format on

#include <cstdlib>
#include <string_view>

#include "base/error.hpp"
#include "compose_rig.hpp"
#include "platform/file_io.hpp"
#include "raster/bmp.hpp"
#include "raster/jpeg.hpp"
#include "support/picture_files.hpp"
#include "support/text_files.hpp"

namespace felmo {
namespace {

using testing::TemporaryFolder;

// A small colour JPEG file (the test makes its own; nothing stored), 16 x 8, left half red-ish,
// right half blue-ish, at top quality.
void writeJpeg(const std::filesystem::path& path) {
    constexpr int kWidth = 16;
    constexpr int kHeight = 8;
    unsigned char* bytes = nullptr;
    unsigned long size = 0;
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &bytes, &size);
    info.image_width = kWidth;
    info.image_height = kHeight;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 100, TRUE);
    jpeg_start_compress(&info, TRUE);
    unsigned char row[kWidth * 3];
    for (int x = 0; x < kWidth; ++x) {
        row[x * 3 + 0] = x < 8 ? 220 : 20;
        row[x * 3 + 1] = 30;
        row[x * 3 + 2] = x < 8 ? 20 : 220;
    }
    for (int y = 0; y < kHeight; ++y) {
        JSAMPROW rows[1] = {row};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    testing::writeText(path, std::string_view(reinterpret_cast<const char*>(bytes), size));
    std::free(bytes);
}

class PicturesLoadingTest : public ::testing::Test {
  protected:
    // A 3 x 2 BMP file under `name`.
    std::filesystem::path writeBmp(const std::string& name) {
        Raster picture(3, 2, rgb(10, 20, 30));
        picture.setPixel(2, 1, rgb(200, 0, 7));
        const std::filesystem::path path = folder.path() / name;
        saveBmpFile(picture, path);
        return path;
    }
    PictureChooser answer(std::filesystem::path path) {
        return [this, path] {
            ++dialogCalls;
            return std::optional<std::filesystem::path>(path);
        };
    }

    TemporaryFolder folder;
    PictureLoad load;
    int dialogCalls = 0;
};

// The name plays no part: a BMP under any ending is a BMP, a JPEG under a BMP ending a JPEG.
TEST_F(PicturesLoadingTest, PicturesAreReadByContentWhateverTheirName) {
    for (const char* name : {"a.bmp", "b.BMP", "c.bMp", "d.jpg", "e"}) {
        PicturesLoading(load, answer(writeBmp(name)));
        EXPECT_FALSE(load.LoadCancelled) << name;
        ASSERT_EQ(load.LoadedPicture.width(), 3) << name;
        EXPECT_EQ(load.LoadedPicture.height(), 2) << name;
        EXPECT_EQ(load.LoadedPicture.pixel(2, 1), rgb(200, 0, 7)) << name;
    }
    for (const char* name : {"a.jpg", "b.jpeg", "c.Bmp", "d"}) {
        const std::filesystem::path path = folder.path() / name;
        writeJpeg(path);
        PicturesLoading(load, answer(path));
        ASSERT_EQ(load.LoadedPicture.width(), 16) << name;
        EXPECT_EQ(load.LoadedPicture.height(), 8) << name;
        EXPECT_TRUE(load.LoadedPicture.is24Bit()) << name;
        EXPECT_GT(redOf(load.LoadedPicture.pixel(2, 4)), 180) << name;
        EXPECT_GT(blueOf(load.LoadedPicture.pixel(13, 4)), 180) << name;
    }
}

// The same file gives the same pixels through the dialog as through its own decoder.
TEST_F(PicturesLoadingTest, JpegAndBmpDecodeExactlyAsTheirDecodersDo) {
    const std::filesystem::path jpeg = folder.path() / "photo.jpg";
    writeJpeg(jpeg);
    const Raster direct = loadJpegFile(jpeg);
    PicturesLoading(load, answer(jpeg));
    for (int y = 0; y < direct.height(); ++y)
        for (int x = 0; x < direct.width(); ++x)
            ASSERT_EQ(load.LoadedPicture.pixel(x, y), direct.pixel(x, y)) << x << "," << y;
}

TEST_F(PicturesLoadingTest, OtherContentIsRefusedAndLeavesThePictureEmpty) {
    load.LoadedPicture = Raster(5, 5);
    const std::filesystem::path path = folder.path() / "notes.jpg";
    writeFileAtomically(path, std::vector<std::uint8_t>{'h', 'i'});
    try {
        PicturesLoading(load, answer(path));
        FAIL() << "a text file was read as a picture";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Cannot read \"" + path.string() +
                      "\": it is not a JPEG, BMP, PNG, GIF or WebP picture.");
    }
    EXPECT_TRUE(load.LoadedPicture.empty());
    EXPECT_FALSE(load.LoadCancelled);
}

// Opacity 0, 127, 128, 255: over black for every load, keyed to magenta for the overlay.
TEST_F(PicturesLoadingTest, TransparencyIsLaidOverBlackOrKeyedForTheOverlay) {
    testing::PngDescription description{4, 1, 6, 8, false, {}, {}, {}, {}, {}};
    description.rows.push_back(
        {200, 0, 100, 0, 200, 0, 100, 127, 200, 0, 100, 128, 0, 0, 255, 255});
    const std::filesystem::path path = folder.path() / "logo.png";
    writeFileAtomically(path, testing::encodePng(description));

    PicturesLoading(load, answer(path));
    EXPECT_EQ(load.LoadedPicture.pixel(0, 0), colors::black);
    EXPECT_EQ(load.LoadedPicture.pixel(1, 0), rgb(100, 0, 50));
    EXPECT_EQ(load.LoadedPicture.pixel(3, 0), rgb(0, 0, 255));

    PicturesLoading(load, answer(path), TransparentPixels::OverlayKey);
    EXPECT_EQ(load.LoadedPicture.pixel(0, 0), colors::magenta);
    EXPECT_EQ(load.LoadedPicture.pixel(1, 0), colors::magenta);
    EXPECT_EQ(load.LoadedPicture.pixel(2, 0), rgb(200, 0, 100));
    EXPECT_EQ(load.LoadedPicture.pixel(3, 0), rgb(0, 0, 255));
}

TEST_F(PicturesLoadingTest, MissingFileIsCannotOpen) {
    const std::filesystem::path path = folder.path() / "gone.bmp";
    try {
        PicturesLoading(load, answer(path));
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()).rfind("Cannot open file \"" + path.string() + "\"", 0),
                  0u)
            << error.what();
    }
}

TEST_F(PicturesLoadingTest, CancelEmptiesThePictureAndSetsTheFlag) {
    PicturesLoading(load, answer(writeBmp("a.bmp")));
    ASSERT_FALSE(load.LoadedPicture.empty());
    PicturesLoading(load, [] { return std::optional<std::filesystem::path>(); });
    EXPECT_TRUE(load.LoadCancelled);
    EXPECT_TRUE(load.LoadedPicture.empty());
    // The next load clears the flag again.
    PicturesLoading(load, answer(writeBmp("b.bmp")));
    EXPECT_FALSE(load.LoadCancelled);
    // A front end without a dialog counts as a cancel.
    PicturesLoading(load, PictureChooser());
    EXPECT_TRUE(load.LoadCancelled);
}

}  // namespace
}  // namespace felmo
