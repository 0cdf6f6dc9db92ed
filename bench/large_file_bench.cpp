// Reading large files: a 2048 x 1024 picture (6 MiB of pixels) as a 24-bit BMP loaded by the
// picture reader, packed by bmconv into a 32-bit .mbm, and that .mbm unpacked again (whole
// bmconv processes). Noise, so that the .mbm is nearly as large as the pixels.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "raster/bmp.hpp"
#include "raster/picture_reader.hpp"
#include "support/child_process.hpp"
#include "support/patterned_raster.hpp"
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

    LargeFiles() { saveBmpFile(testing::noiseRaster(kWidth, kHeight, 2024), bmp); }
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
