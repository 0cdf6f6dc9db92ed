#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "base/error.hpp"
#include "pixel_map.hpp"
#include "raster/image.hpp"

namespace felmo {

void PrintTo(const Rect& rect, std::ostream* out) {
    *out << "(" << rect.left << ", " << rect.top << ", " << rect.right << ", " << rect.bottom
         << ")";
}

namespace {

TEST(Image, CanvasOfAnEmptyImageCreatesAWhiteRasterOfTheImagesSize) {
    Image image;
    image.setSize(1, 208);
    EXPECT_FALSE(image.hasPicture());
    image.canvas();
    ASSERT_TRUE(image.hasPicture());
    const Raster& raster = *image.picture();
    EXPECT_EQ(raster.width(), 1);
    EXPECT_EQ(raster.height(), 208);
    EXPECT_TRUE(raster.is24Bit());
    EXPECT_EQ(raster.pixel(0, 207), colors::white);

    image.setSize(176, 1);
    image.canvas().setPixel(0, 0, colors::red);
    EXPECT_EQ(image.picture()->width(), 1);
    EXPECT_EQ(image.picture()->height(), 208);
    EXPECT_EQ(image.picture()->pixel(0, 0), colors::red);
}

TEST(Image, PictureAs24BitTagsTheHeldRasterOrMakesTheWhiteOne) {
    Raster eightBit(2, 1, colors::red);
    eightBit.setSourceFormat(PixelFormat::Bits8);
    Image image;
    image.setPicture(eightBit);
    Raster& held = image.pictureAs24Bit();
    EXPECT_EQ(&held, image.picture());
    EXPECT_TRUE(held.is24Bit());
    EXPECT_EQ(held.pixel(1, 0), colors::red);

    Image empty(2, 3);
    EXPECT_EQ(empty.pictureAs24Bit().pixel(1, 2), colors::white);
    EXPECT_EQ(empty.picture()->width(), 2);
}

TEST(Image, AssignTakesAnIndependentCopyWithFreshStateAndItsOwnTransparent) {
    Image source(4, 4);
    source.setTransparent(true);
    Canvas sourceCanvas = source.canvas();
    sourceCanvas.setPixel(1, 1, colors::red);
    sourceCanvas.setPenColor(colors::magenta);
    sourceCanvas.moveTo(3, 3);

    Image copy(9, 9);
    copy.assign(source);
    ASSERT_TRUE(copy.hasPicture());
    EXPECT_FALSE(copy.picture()->transparent());
    EXPECT_EQ(copy.picture()->width(), 4);
    EXPECT_EQ(copy.picture()->state().penColor, colors::black);
    EXPECT_EQ(copy.picture()->state().penX, 0);
    EXPECT_EQ(copy.picture()->pixel(1, 1), colors::red);

    copy.canvas().setPixel(1, 1, colors::black);
    sourceCanvas.setPixel(2, 2, colors::black);
    EXPECT_EQ(source.picture()->pixel(1, 1), colors::red);
    EXPECT_EQ(copy.picture()->pixel(2, 2), colors::white);

    Image empty;
    copy.assign(empty);
    EXPECT_FALSE(copy.hasPicture());
}

TEST(Image, TransparentReachesTheRasterWheneverThePictureChanges) {
    Image image(2, 2);
    image.setTransparent(true);
    image.setPicture(Raster(3, 3));
    EXPECT_TRUE(image.picture()->transparent());
    image.setTransparent(false);
    EXPECT_FALSE(image.picture()->transparent());
    Raster transparentRaster(1, 1);
    transparentRaster.setTransparent(true);
    image.setPicture(transparentRaster);
    EXPECT_FALSE(image.picture()->transparent());
    image.clear();
    image.setTransparent(true);
    EXPECT_TRUE(image.canvas().raster().transparent());
}

class ImageFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("felmo-image-test-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }
    std::filesystem::path folder_;
};

TEST_F(ImageFiles, FailedLoadLeavesThePictureAsItWas) {
    Image image(2, 2);
    image.canvas().setPixel(0, 0, colors::red);
    std::ofstream(folder_ / "broken.bmp") << "BM and then nothing useful";
    EXPECT_THROW(image.loadBmpFile(folder_ / "broken.bmp"), Error);
    EXPECT_THROW(image.loadBmpFile(folder_ / "missing.bmp"), Error);
    EXPECT_EQ(image.picture()->pixel(0, 0), colors::red);

    image.saveBmpFile(folder_ / "good.bmp");
    Image loaded(50, 50);
    loaded.setTransparent(true);
    loaded.loadBmpFile(folder_ / "good.bmp");
    EXPECT_EQ(loaded.picture()->width(), 2);
    EXPECT_EQ(loaded.picture()->pixel(0, 0), colors::red);
    EXPECT_TRUE(loaded.picture()->transparent());
}

TEST_F(ImageFiles, SavingAnEmptyImageIsAnError) {
    const std::filesystem::path path = folder_ / "empty.bmp";
    try {
        Image().saveBmpFile(path);
        FAIL();
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Cannot create file \"" + path.string() + "\". The image holds no picture.");
    }
    EXPECT_FALSE(std::filesystem::exists(path));
}

struct DisplayCase {
    int rasterWidth, rasterHeight, imageWidth, imageHeight;
    bool proportional;
    Rect shown;
};

void PrintTo(const DisplayCase& c, std::ostream* out) {
    *out << c.rasterWidth << "x" << c.rasterHeight << " in " << c.imageWidth << "x" << c.imageHeight
         << (c.proportional ? " proportional" : "");
}

class DisplayRect : public ::testing::TestWithParam<DisplayCase> {};

TEST_P(DisplayRect, FollowsTheProportionalRule) {
    const DisplayCase& c = GetParam();
    EXPECT_EQ(
        displayRect(c.rasterWidth, c.rasterHeight, c.imageWidth, c.imageHeight, c.proportional),
        c.shown);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DisplayRect,
    ::testing::Values(
        DisplayCase{352, 208, 176, 208, false, {0, 0, 352, 208}},  // unscaled, clipped by the image
        DisplayCase{100, 50, 176, 208, true, {0, 0, 100, 50}},     // smaller: unscaled
        DisplayCase{352, 208, 176, 208, true, {0, 0, 176, 104}},   // wide
        DisplayCase{300, 290, 176, 100, true, {0, 0, 103, 100}},   // wide, then limited by height
        DisplayCase{100, 400, 176, 208, true, {0, 0, 52, 208}},    // tall
        DisplayCase{290, 300, 100, 176, true, {0, 0, 100, 103}},   // tall, then limited by width
        DisplayCase{300, 300, 176, 208, true, {0, 0, 176, 176}},   // square: as tall
        DisplayCase{0, 0, 176, 208, true, {0, 0, 0, 0}}));

}  // namespace
}  // namespace felmo
