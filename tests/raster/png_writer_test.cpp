#include <gtest/gtest.h>

#include <filesystem>

#include "base/error.hpp"
#include "pixel_map.hpp"
#include "raster/png_writer.hpp"
#include "support/reference_decoders.hpp"
#include "support/temporary_folder.hpp"

namespace felmo {
namespace {

using testing::decodePngForTest;
using testing::positionRaster;

// Widths 1 to 5 give every row length modulo 4; the colours catch a red/blue swap.
TEST(PngWriter, ReadsBackPixelForPixel) {
    for (int width = 1; width <= 5; ++width) {
        const Raster picture = positionRaster(width, 7);
        const Raster back = decodePngForTest(encodePng(picture));
        ASSERT_EQ(back.width(), width);
        ASSERT_EQ(back.height(), 7);
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < width; ++x)
                ASSERT_EQ(back.pixel(x, y), picture.pixel(x, y)) << x << "," << y;
    }
}

TEST(PngWriter, RefusesPicturesItCannotWrite) {
    Raster palette(4, 4);
    palette.setSourceFormat(PixelFormat::Bits8, {colors::black, colors::white});
    EXPECT_THROW(encodePng(palette), Error);
    EXPECT_THROW(encodePng(Raster()), Error);
}

TEST(PngWriter, FileThatCannotBeCreatedNamesThePathAndLeavesNothing) {
    testing::TemporaryFolder folder;
    const std::filesystem::path path = folder.path() / "missing" / "poster.png";
    try {
        savePngFile(positionRaster(3, 3), path);
        FAIL() << "expected an error";
    } catch (const Error& error) {
        EXPECT_EQ(
            std::string(error.what()).rfind("Cannot create file \"" + path.string() + "\". ", 0),
            0u)
            << error.what();
    }
    EXPECT_TRUE(folder.entries().empty());
}

}  // namespace
}  // namespace felmo
