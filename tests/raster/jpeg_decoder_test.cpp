#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include <jpeglib.h>

#include "base/error.hpp"
#include "raster/jpeg.hpp"
#include "support/picture_files.hpp"
#include "support/resident_memory.hpp"
#include "support/system_reasons.hpp"

namespace felmo {
namespace {

using Bytes = std::vector<std::uint8_t>;

using testing::encodeJpeg;

// Four solid quadrants: red, green / blue, white. Red and blue apart catch a channel swap.
Color quadrantColor(int x, int y, int size) {
    const bool right = x >= size / 2, bottom = y >= size / 2;
    if (!bottom)
        return right ? rgb(0, 255, 0) : colors::red;
    return right ? colors::white : rgb(0, 0, 255);
}

Bytes colourJpeg(int size) {
    return encodeJpeg(size, size, 3, JCS_RGB, [size](int x, int y, std::uint8_t* pixel) {
        const Color color = quadrantColor(x, y, size);
        pixel[0] = redOf(color);
        pixel[1] = greenOf(color);
        pixel[2] = blueOf(color);
    });
}

// A noisy picture, so that its compressed data is long and truncation cuts into the pixels.
Bytes noisyJpeg() {
    return encodeJpeg(64, 64, 3, JCS_RGB, [](int x, int y, std::uint8_t* pixel) {
        pixel[0] = static_cast<std::uint8_t>(x * 7919 + y * 104729);
        pixel[1] = static_cast<std::uint8_t>((x ^ y) * 31);
        pixel[2] = static_cast<std::uint8_t>(x * y);
    });
}

bool near(Color actual, Color expected, int tolerance) {
    return std::abs(redOf(actual) - redOf(expected)) <= tolerance &&
           std::abs(greenOf(actual) - greenOf(expected)) <= tolerance &&
           std::abs(blueOf(actual) - blueOf(expected)) <= tolerance;
}

TEST(JpegDecoder, ColourPictureGivesA24BitRasterOfFullSize) {
    const Raster raster = decodeJpeg(colourJpeg(16));
    ASSERT_EQ(raster.width(), 16);
    ASSERT_EQ(raster.height(), 16);
    EXPECT_TRUE(raster.is24Bit());
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            EXPECT_TRUE(near(raster.pixel(x, y), quadrantColor(x, y, 16), 12))
                << x << "," << y << ": " << std::hex << raster.pixel(x, y);
}

TEST(JpegDecoder, GreyPictureIsQuantisedIntoAnEightBitPaletteOfAtMost236Greys) {
    const Bytes bytes = encodeJpeg(32, 8, 1, JCS_GRAYSCALE, [](int x, int, std::uint8_t* pixel) {
        *pixel = static_cast<std::uint8_t>(x * 8);
    });
    const Raster raster = decodeJpeg(bytes);
    ASSERT_EQ(raster.width(), 32);
    EXPECT_EQ(raster.format(), PixelFormat::Bits8);
    ASSERT_FALSE(raster.palette().empty());
    EXPECT_LE(raster.palette().size(), 236u);
    for (Color entry : raster.palette()) {
        EXPECT_EQ(redOf(entry), greenOf(entry));
        EXPECT_EQ(redOf(entry), blueOf(entry));
    }
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 32; ++x) {
            const Color pixel = raster.pixel(x, y);
            const std::uint8_t level = static_cast<std::uint8_t>(x * 8);
            EXPECT_TRUE(near(pixel, rgb(level, level, level), 6)) << x << "," << y;
            EXPECT_NE(std::find(raster.palette().begin(), raster.palette().end(), pixel),
                      raster.palette().end());
        }
    }
}

TEST(JpegDecoder, AdobeCmykPictureBecomesRgb) {
    // Adobe's CMYK is stored inverted: 255 means no ink. Red is full magenta and yellow ink.
    const Bytes bytes = encodeJpeg(8, 8, 4, JCS_CMYK, [](int, int, std::uint8_t* pixel) {
        pixel[0] = 255;
        pixel[1] = 0;
        pixel[2] = 0;
        pixel[3] = 255;
    });
    const Raster raster = decodeJpeg(bytes);
    EXPECT_TRUE(raster.is24Bit());
    EXPECT_TRUE(near(raster.pixel(3, 3), colors::red, 4)) << std::hex << raster.pixel(3, 3);
}

std::string decodeError(const Bytes& bytes) {
    try {
        decodeJpeg(bytes);
    } catch (const Error& error) {
        return error.what();
    }
    return "no error";
}

TEST(JpegDecoder, DamagedDataIsAnErrorNeverACrash) {
    const Bytes whole = noisyJpeg();
    ASSERT_GT(whole.size(), 2000u);
    const std::pair<const char*, std::size_t> cuts[] = {
        {"half", whole.size() / 2}, {"header only", 300}, {"signature only", 2}, {"empty", 0}};
    for (auto [name, size] : cuts) {
        const std::string message = decodeError(Bytes(whole.begin(), whole.begin() + size));
        EXPECT_EQ(message.rfind("Invalid JPEG data. ", 0), 0u) << name << ": " << message;
    }
    EXPECT_EQ(decodeError(Bytes(whole.begin(), whole.begin() + whole.size() / 2)),
              "Invalid JPEG data. The picture data ends early: the file is truncated or damaged.");
    EXPECT_EQ(decodeError(Bytes{'B', 'M', 0, 0}),
              "Invalid JPEG data. Not a JPEG file: starts with 0x42 0x4d.");
}

TEST(JpegDecoder, MissingEndMarkerAloneIsAccepted) {
    const Bytes whole = colourJpeg(16);
    const Raster raster = decodeJpeg(Bytes(whole.begin(), whole.end() - 2));
    EXPECT_TRUE(near(raster.pixel(15, 15), colors::white, 12));
}

TEST(JpegDecoder, OversizedPictureIsRefusedBeforeDecoding) {
    Bytes bytes = colourJpeg(16);
    std::size_t frame = 0;
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {
            frame = i;
            break;
        }
    ASSERT_NE(frame, 0u);
    bytes[frame + 5] = 0x4E;  // height 20000
    bytes[frame + 6] = 0x20;
    bytes[frame + 7] = 0x4E;  // width 20000
    bytes[frame + 8] = 0x20;
    const std::string message = decodeError(bytes);
    EXPECT_NE(message.find("20000 x 20000 pixels, larger than"), std::string::npos) << message;

    bytes[frame + 5] = 0x00;  // height 16
    bytes[frame + 6] = 0x10;
    bytes[frame + 7] = 0x20;  // width 8193, one beyond the side limit
    bytes[frame + 8] = 0x01;
    const std::string justBeyond = decodeError(bytes);
    EXPECT_NE(justBeyond.find("8193 x 16 pixels, larger than"), std::string::npos) << justBeyond;
}

// The frame header's height and width set to `side`: the picture claims that size, its data
// stays that of the small one.
void claimSize(Bytes& bytes, std::uint8_t frameMarker, int side) {
    for (std::size_t i = 0; i + 8 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == frameMarker) {
            bytes[i + 5] = bytes[i + 7] = static_cast<std::uint8_t>(side >> 8);
            bytes[i + 6] = bytes[i + 8] = static_cast<std::uint8_t>(side & 0xFF);
            return;
        }
    FAIL() << "no frame header";
}

TEST(JpegDecoder, ProgressivePictureNeedingMoreThanItsShareOfMemoryIsRefused) {
    // 4:4:4 progressive keeps 6 bytes a pixel of coefficients: at 4096 x 4096 that is past a
    // byte a pixel plus the allowance, at 2048 x 2048 it is within.
    const Bytes small = encodeJpeg(
        16, 16, 3, JCS_RGB,
        [](int x, int, std::uint8_t* pixel) {
            pixel[0] = pixel[1] = pixel[2] = static_cast<std::uint8_t>(x * 16);
        },
        true);
    Bytes tooLarge = small;
    claimSize(tooLarge, 0xC2, 4096);
    const std::string refusal = decodeError(tooLarge);
    EXPECT_NE(refusal.find("more memory than a picture of its size may use"), std::string::npos)
        << refusal;

    Bytes within = small;
    claimSize(within, 0xC2, 2048);
    const std::string truncated = decodeError(within);
    EXPECT_EQ(truncated.find("memory"), std::string::npos) << truncated;
    EXPECT_NE(truncated.find("ends early"), std::string::npos) << truncated;
}

TEST(JpegDecoder, DecodingCostsTheRasterAndAFewRowsNotASecondPicture) {
    if (!testing::residentMemoryIsMeasurable())
        GTEST_SKIP() << "resident memory is not measurable in this build";
    constexpr int kSide = 2048;
    constexpr std::int64_t kRasterBytes = std::int64_t{kSide} * kSide * 3;
    constexpr std::int64_t kRowsAndLibrary = std::int64_t{3} << 20;
    struct Case {
        const char* name;
        Bytes jpeg;
    };
    const Case cases[] = {
        {"colour", encodeJpeg(kSide, kSide, 3, JCS_RGB,
                              [](int x, int y, std::uint8_t* pixel) {
                                  pixel[0] = static_cast<std::uint8_t>(x);
                                  pixel[1] = static_cast<std::uint8_t>(y);
                                  pixel[2] = 40;
                              })},
        {"CMYK", encodeJpeg(kSide, kSide, 4, JCS_CMYK,
                            [](int x, int y, std::uint8_t* pixel) {
                                pixel[0] = static_cast<std::uint8_t>(x);
                                pixel[1] = static_cast<std::uint8_t>(y);
                                pixel[2] = 40;
                                pixel[3] = 200;
                            })},
    };
    for (const Case& c : cases) {
        const std::optional<std::int64_t> growth = testing::peakResidentGrowth([&c] {
            const Raster raster = decodeJpeg(c.jpeg);
            if (raster.width() != kSide)
                throw Error("wrong size");
        });
        ASSERT_TRUE(growth.has_value()) << c.name;
        EXPECT_LE(*growth, kRasterBytes + kRowsAndLibrary) << c.name;
    }
}

TEST(JpegDecoder, FileErrorsNameTheFile) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("felmo-jpeg-test-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::filesystem::path missing = folder / "missing.jpg";
    const std::filesystem::path text = folder / "text.jpg";
    std::ofstream(text) << "BM";
    const std::filesystem::path good = folder / "good.jpg";
    const Bytes bytes = colourJpeg(8);
    std::ofstream(good, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));

    EXPECT_EQ(loadJpegFile(good).width(), 8);
    try {
        loadJpegFile(missing);
        ADD_FAILURE();
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Cannot open file \"" + missing.string() + "\". " + testing::missingFileReason());
    }
    try {
        loadJpegFile(text);
        ADD_FAILURE();
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()), "Invalid JPEG file \"" + text.string() +
                                                 "\". Not a JPEG file: starts with 0x42 0x4d.");
    }
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace felmo
