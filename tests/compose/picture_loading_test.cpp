#include "compose/picture_loading.hpp"

#include <gtest/gtest.h>
// clang-format off
#include <cstdio>  // jpeglib.h needs FILE and size_t first
#include <jpeglib.h>
// clang-format on

#include "base/error.hpp"
#include "base/file_io.hpp"
#include "compose_rig.hpp"
#include "raster/bmp.hpp"
#include "raster/jpeg.hpp"

namespace felmo {
namespace {

using testing::TemporaryFolder;

// A small colour JPEG file (the test makes its own; nothing stored), 16 x 8, left half red-ish,
// right half blue-ish, at top quality.
void writeJpeg(const std::filesystem::path& path) {
    constexpr int kWidth = 16;
    constexpr int kHeight = 8;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
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
    std::fclose(file);
}

struct ExtensionCase {
    const char* file;
    const char* extension;
    bool readsAsBmp;
};

class ExtensionTest : public ::testing::TestWithParam<ExtensionCase> {};

TEST_P(ExtensionTest, TakenFromTheLastDotOfTheName) {
    const ExtensionCase& c = GetParam();
    EXPECT_EQ(pictureExtension(c.file), c.extension);
    EXPECT_EQ(readsAsBmp(pictureExtension(c.file)), c.readsAsBmp);
}

INSTANTIATE_TEST_SUITE_P(Names, ExtensionTest,
                         ::testing::Values(ExtensionCase{"/p/photo.bmp", ".bmp", true},
                                           ExtensionCase{"/p/photo.BMP", ".BMP", true},
                                           ExtensionCase{"/p/photo.Bmp", ".Bmp", true},
                                           ExtensionCase{"/p/photo.bMp", ".bMp", false},
                                           ExtensionCase{"/p/photo.bmP", ".bmP", false},
                                           ExtensionCase{"/p/photo.BMp", ".BMp", false},
                                           ExtensionCase{"/p/photo.jpg", ".jpg", false},
                                           ExtensionCase{"/p/old.bmp.jpeg", ".jpeg", false},
                                           ExtensionCase{"/p/.bmp", ".bmp", true},
                                           ExtensionCase{"/p.d/photo", "", false},
                                           ExtensionCase{"/p/photo.", ".", false}));

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

TEST_F(PicturesLoadingTest, TheThreeBmpSpellingsAreReadAsBmp) {
    for (const char* name : {"a.bmp", "b.BMP", "c.Bmp"}) {
        PicturesLoading(load, answer(writeBmp(name)));
        EXPECT_FALSE(load.LoadCancelled) << name;
        ASSERT_EQ(load.LoadedPicture.width(), 3) << name;
        EXPECT_EQ(load.LoadedPicture.height(), 2) << name;
        EXPECT_EQ(load.LoadedPicture.pixel(2, 1), rgb(200, 0, 7)) << name;
    }
}

TEST_F(PicturesLoadingTest, OtherSpellingsGoToTheJpegDecoderAndFailWithItsError) {
    load.LoadedPicture = Raster(5, 5);
    for (const char* name : {"d.bMp", "e.jpg", "f"}) {
        const std::filesystem::path path = writeBmp(name);
        std::string decoderMessage;
        try {
            loadJpegFile(path);
        } catch (const Error& error) {
            decoderMessage = error.what();
        }
        ASSERT_FALSE(decoderMessage.empty()) << "a BMP file decoded as JPEG";
        try {
            PicturesLoading(load, answer(path));
            ADD_FAILURE() << name << " was read";
        } catch (const Error& error) {
            EXPECT_EQ(error.what(), decoderMessage) << name;
        }
        EXPECT_TRUE(load.LoadedPicture.empty()) << name;
        EXPECT_FALSE(load.LoadCancelled) << name;
    }
}

TEST_F(PicturesLoadingTest, EveryOtherExtensionIsDecodedAsJpeg) {
    for (const char* name : {"a.jpg", "b.jpeg", "c.bMp", "d"}) {
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

TEST_F(PicturesLoadingTest, JpegNamedAsBmpFailsAsBmp) {
    const std::filesystem::path path = folder.path() / "photo.Bmp";
    writeJpeg(path);
    EXPECT_THROW(PicturesLoading(load, answer(path)), Error);
    EXPECT_TRUE(load.LoadedPicture.empty());
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
