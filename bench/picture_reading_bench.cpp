// Reading the pictures users bring: a 4000 x 3000 PNG loaded into the splash slot against
// libpng's own decode of the same file (the floor). Compare CPU times: the machine may be busy.
#include <benchmark/benchmark.h>

#include <png.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <optional>

#include "compose/picture_fitting.hpp"
#include "compose/still_pictures.hpp"
#include "platform/file_io.hpp"
#include "support/picture_files.hpp"
#include "support/temporary_folder.hpp"

namespace felmo {
namespace {

// A photograph-like picture: smooth gradients with a little deterministic grain, so the file
// compresses as a photograph does rather than as a flat test pattern.
testing::Bytes photographLikeRgb(int width, int height) {
    testing::Bytes rgb(static_cast<std::size_t>(width) * height * 3);
    std::uint32_t noise = 12345;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            noise = noise * 1664525u + 1013904223u;
            const int grain = static_cast<int>(noise >> 29) - 4;
            std::uint8_t* pixel = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
            pixel[0] = static_cast<std::uint8_t>(std::clamp(x * 255 / width + grain, 0, 255));
            pixel[1] = static_cast<std::uint8_t>(std::clamp(y * 255 / height + grain, 0, 255));
            pixel[2] = static_cast<std::uint8_t>(std::clamp(
                128 + static_cast<int>(100 * std::sin(x * 0.003 + y * 0.002)) + grain, 0, 255));
        }
    return rgb;
}

struct LargePng {
    LargePng() {
        writeFileAtomically(path, testing::encodeRgbPng(4000, 3000, photographLikeRgb(4000, 3000)));
    }
    testing::TemporaryFolder folder{"bench"};
    std::filesystem::path path = folder.path() / "photo.png";
};

LargePng& largePng() {
    static LargePng instance;
    return instance;
}

void readFromBytes(png_structp png, png_bytep target, png_size_t length) {
    auto* cursor = static_cast<const std::uint8_t**>(png_get_io_ptr(png));
    std::memcpy(target, *cursor, length);
    *cursor += length;
}

// libpng alone: the file read into memory and decoded to RGB rows, nothing more.
void BM_LibpngOwnDecode(benchmark::State& state) {
    const std::filesystem::path path = largePng().path;
    for (auto _ : state) {
        const std::vector<std::uint8_t> bytes = readWholeFile(path);
        const std::uint8_t* cursor = bytes.data() + 8;
        png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        png_set_read_fn(png, &cursor, readFromBytes);
        png_set_sig_bytes(png, 8);
        png_read_info(png, info);
        const std::size_t stride = png_get_rowbytes(png, info);
        const png_uint_32 height = png_get_image_height(png, info);
        std::vector<std::uint8_t> pixels(stride * height);
        std::vector<png_bytep> rows(height);
        for (png_uint_32 y = 0; y < height; ++y)
            rows[y] = pixels.data() + stride * y;
        png_read_image(png, rows.data());
        png_destroy_read_struct(&png, &info, nullptr);
        benchmark::DoNotOptimize(pixels.data());
    }
}
BENCHMARK(BM_LibpngOwnDecode)->Unit(benchmark::kMillisecond);

// "Загрузить" -> "Приветствие" with the PNG: read, recognise, decode and fit into the welcome
// image.
void BM_LoadPngIntoWelcomeSlot(benchmark::State& state) {
    const std::filesystem::path path = largePng().path;
    StillPictures pictures;
    PictureLoad load;
    for (auto _ : state) {
        LoadWelcomeimage(pictures, load, [&] { return std::optional(path); });
        benchmark::DoNotOptimize(pictures.WelcomeimagePicture.picture());
    }
}
BENCHMARK(BM_LoadPngIntoWelcomeSlot)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace felmo
