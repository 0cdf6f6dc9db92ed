// The converter at large sizes: packing a BMP and unpacking a .mbm hold one picture and a few
// rows, never the input file beside the picture.
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "base/error.hpp"
#include "mbm/mbm_reader.hpp"
#include "platform/file_io.hpp"
#include "raster/bmp.hpp"
#include "support/patterned_raster.hpp"
#include "support/resident_memory.hpp"
#include "support/temporary_folder.hpp"
#include "tools/bmconv/converter.hpp"

namespace felmo {
namespace {

void runConverter(const std::vector<std::string>& arguments) {
    std::ostringstream out, err;
    if (bmconv::run(arguments, out, err) != 0)
        throw Error(err.str());
}

TEST(BmconvMemory, PackingAndUnpackingHoldThePictureNotItsFile) {
    if (!testing::residentMemoryIsMeasurable())
        GTEST_SKIP() << "resident memory is not measurable in this build";
    // Noise, so that no run shortens it: the .mbm files are about as large as the pixels.
    constexpr int kWidth = 2048, kHeight = 1024;
    const Raster noise = testing::noiseRaster(kWidth, kHeight, 12345);
    testing::TemporaryFolder folder("bmconv-memory");
    const std::string picture = folder / "noise.bmp";
    saveBmpFile(noise, picture);
    // The raster (6 MiB) and room for the program's own state; the file is another 6 to 8 MiB.
    constexpr std::int64_t kBound = std::int64_t{kWidth} * kHeight * 3 + (std::int64_t{3} << 20);

    const std::vector<std::vector<std::string>> packs = {
        {"-q", "-n", folder / "plain.mbm", "-c24" + picture},
        {"-q", folder / "c32.mbm", "-c32" + picture},
    };
    for (const auto& pack : packs) {
        const std::optional<std::int64_t> growth =
            testing::peakResidentGrowth([&pack] { runConverter(pack); });
        ASSERT_TRUE(growth.has_value()) << pack[pack.size() - 2];
        EXPECT_LE(*growth, kBound) << pack[pack.size() - 2];
    }
    // Noise: 32-bit pixels still shrink to their 3-byte units, so the second file is a compressed
    // stream nearly the size of the pixels.
    EXPECT_EQ(readMbmDirectory(readWholeFile(folder / "c32.mbm")).at(0).compression,
              Compression::ThirtyTwoBit);
    for (const char* mbm : {"plain.mbm", "c32.mbm"}) {
        const std::vector<std::string> unpack = {"-q", "-u", folder / mbm, folder / "back.bmp"};
        const std::optional<std::int64_t> growth =
            testing::peakResidentGrowth([&unpack] { runConverter(unpack); });
        ASSERT_TRUE(growth.has_value()) << mbm;
        EXPECT_LE(*growth, kBound) << mbm;
        EXPECT_EQ(loadBmpFile(folder / "back.bmp").pixel(2047, 0), noise.pixel(2047, 0)) << mbm;
    }
}

}  // namespace
}  // namespace felmo
