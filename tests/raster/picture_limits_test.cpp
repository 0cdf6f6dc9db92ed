// The one picture limit: each side and the pixel count, at the edge and one beyond.
#include <gtest/gtest.h>

#include "base/error.hpp"
#include "raster/picture_limits.hpp"

namespace felmo {
namespace {

struct SizeCase {
    std::int64_t width;
    std::int64_t height;
    bool fits;
};

class PictureLimit : public testing::TestWithParam<SizeCase> {};

TEST_P(PictureLimit, AcceptsWhatFitsAndNamesTheSizeOfWhatDoesNot) {
    const SizeCase size = GetParam();
    EXPECT_EQ(pictureSizeFits(size.width, size.height), size.fits);
    if (size.fits) {
        EXPECT_NO_THROW(checkPictureSize(size.width, size.height));
        return;
    }
    try {
        checkPictureSize(size.width, size.height);
        FAIL() << "no error";
    } catch (const Error& error) {
        const std::string expected =
            std::to_string(size.width) + " x " + std::to_string(size.height);
        EXPECT_NE(std::string(error.what()).find(expected), std::string::npos) << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    EdgesAndBeyond, PictureLimit,
    testing::Values(SizeCase{0, 0, true}, SizeCase{176, 208, true},
                    SizeCase{kMaxPictureSide, 1, true}, SizeCase{1, kMaxPictureSide, true},
                    SizeCase{kMaxPictureSide, kMaxPicturePixels / kMaxPictureSide, true},
                    SizeCase{kMaxPictureSide + 1, 1, false},
                    SizeCase{1, kMaxPictureSide + 1, false}, SizeCase{-1, 5, false},
                    SizeCase{5, -1, false},
                    // Products that would overflow 64 bits if the sides were not checked first.
                    SizeCase{std::int64_t{1} << 40, std::int64_t{1} << 40, false},
                    SizeCase{16384, 4096, false}));

}  // namespace
}  // namespace felmo
