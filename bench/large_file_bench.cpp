// Reading large files: a 2048 x 1024 picture (6 MiB of pixels) as a 24-bit BMP, a PNG, a JPEG and
// an eight-frame GIF loaded by the picture reader, the BMP packed by bmconv into a 32-bit .mbm,
// and that .mbm unpacked again (whole bmconv processes). Noise, so that every file is nearly as
// large as the pixels.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include <jpeglib.h>

#include "raster/bmp.hpp"
#include "raster/picture_reader.hpp"
#include "support/child_process.hpp"
#include "support/patterned_raster.hpp"
#include "support/picture_files.hpp"
#include "support/temporary_folder.hpp"

namespace felmo {
namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 2048;
constexpr int kHeight = 1024;
constexpr std::int64_t kPixelBytes = std::int64_t{kWidth} * kHeight * 3;

struct LargeFiles {
    testing::TemporaryFolder temporary{"large-file-bench"};
    fs::path bmp = temporary.path() / "noise.bmp";
    fs::path mbm = temporary.path() / "noise.mbm";
    fs::path png = temporary.path() / "noise.png";
    fs::path jpeg = temporary.path() / "noise.jpg";
    fs::path gif = temporary.path() / "noise.gif";

    LargeFiles() {
        const Raster noise = testing::noiseRaster(kWidth, kHeight, 2024);
        saveBmpFile(noise, bmp);
        testing::Bytes rgb;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const Color c = noise.pixel(x, y);
                rgb.insert(rgb.end(), {redOf(c), greenOf(c), blueOf(c)});
            }
        write(png, testing::encodeRgbPng(kWidth, kHeight, rgb, 1));
        write(jpeg, testing::encodeJpeg(
                        kWidth, kHeight, 3, JCS_RGB, [&](int x, int y, std::uint8_t* pixel) {
                            std::memcpy(pixel, &rgb[(std::size_t(y) * kWidth + x) * 3], 3);
                        }));
        testing::GifDescription description{kWidth, kHeight, {}, {}};
        for (int i = 0; i < 256; ++i)
            description.colours.push_back({rgb[i * 3], rgb[i * 3 + 1], rgb[i * 3 + 2]});
        for (int frame = 0; frame < 8; ++frame) {
            testing::GifFrameDescription each;
            each.width = kWidth;
            each.height = kHeight;
            each.indices.assign(rgb.begin() + frame, rgb.begin() + frame + kWidth * kHeight);
            description.frames.push_back(std::move(each));
        }
        write(gif, testing::encodeGif(description));
    }

    static void write(const fs::path& path, const testing::Bytes& bytes) {
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
};

LargeFiles& files() {
    static LargeFiles instance;
    return instance;
}

int runConverter(const std::vector<std::string>& arguments) {
    testing::ProcessOptions options;
    options.captureOutput = false;
    return testing::runProcess(fs::path(FELMO_BIN_DIR) / "bmconv", arguments, options).exitStatus;
}

void BM_LoadLargeBmpFile(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(loadPictureFile(files().bmp));
    state.SetBytesProcessed(state.iterations() * kPixelBytes);
}
BENCHMARK(BM_LoadLargeBmpFile)->Unit(benchmark::kMillisecond);

// The same pixels as PNG, JPEG and GIF, each decoded from the open file a piece at a time.
void BM_LoadLargeCompressedFile(benchmark::State& state) {
    const fs::path& path = state.range(0) == 0   ? files().png
                           : state.range(0) == 1 ? files().jpeg
                                                 : files().gif;
    state.SetLabel(path.extension().string());
    for (auto _ : state)
        benchmark::DoNotOptimize(loadPictureFile(path));
    state.SetBytesProcessed(state.iterations() * kPixelBytes);
}
BENCHMARK(BM_LoadLargeCompressedFile)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

void BM_PackLargeProcess(benchmark::State& state) {
    for (auto _ : state)
        if (runConverter({"-q", files().mbm.string(), "-c32" + files().bmp.string()}) != 0)
            state.SkipWithError("bmconv failed");
    state.SetBytesProcessed(state.iterations() * kPixelBytes);
}
BENCHMARK(BM_PackLargeProcess)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_UnpackLargeProcess(benchmark::State& state) {
    const fs::path back = files().temporary.path() / "back.bmp";
    if (runConverter({"-q", files().mbm.string(), "-c32" + files().bmp.string()}) != 0)
        state.SkipWithError("bmconv failed");
    for (auto _ : state)
        if (runConverter({"-q", "-u", files().mbm.string(), back.string()}) != 0)
            state.SkipWithError("bmconv failed");
    state.SetBytesProcessed(state.iterations() * kPixelBytes);
}
BENCHMARK(BM_UnpackLargeProcess)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace felmo
