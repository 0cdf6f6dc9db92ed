// The converter's work on the start-up animation (12 frames of 176 x 208 at 16-bit colour,
// compressed): as whole bmconv processes, as in the application's pipeline, and as in-process
// codec calls (bytes processed = 24-bit pixel bytes of the pictures).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "mbm/color_depth.hpp"
#include "mbm/mbm_reader.hpp"
#include "mbm/mbm_writer.hpp"
#include "mbm/rle.hpp"
#include "platform/file_io.hpp"
#include "raster/bmp.hpp"
#include "support/child_process.hpp"
#include "support/temporary_folder.hpp"

namespace felmo {
namespace {

namespace fs = std::filesystem;

constexpr int kFrames = 12;
constexpr int kWidth = 176;
constexpr int kHeight = 208;

// A sunrise-like frame: a vertical sky gradient, a disc rising with a soft glow, a dark hill.
Raster frame(int k) {
    Raster raster(kWidth, kHeight);
    const double sunY = 170 - 7.0 * k;
    for (int y = 0; y < kHeight; ++y) {
        std::uint8_t* row = raster.row(y);
        for (int x = 0; x < kWidth; ++x) {
            const double d = std::hypot(x - 88.0, y - sunY);
            const double glow = std::exp(-d / 40) * 200;
            double r = 20 + y * 0.9 + glow, g = 30 + y * 0.5 + glow * 0.7, b = 90 + y * 0.2;
            if (d < 20)
                r = 255, g = 230, b = 160;
            if (y > 150 + 8 * std::sin(x * 0.05))
                r = 30, g = 24, b = 50;
            row[3 * x] = static_cast<std::uint8_t>(std::min(255.0, b));
            row[3 * x + 1] = static_cast<std::uint8_t>(std::min(255.0, g));
            row[3 * x + 2] = static_cast<std::uint8_t>(std::min(255.0, r));
        }
    }
    return raster;
}

struct Workspace {
    testing::TemporaryFolder temporary{"mbm-bench"};
    fs::path folder = temporary.path();
    std::vector<Raster> frames;
    std::vector<std::uint8_t> packed;

    Workspace() {
        fs::create_directories(folder / "startup");
        fs::create_directories(folder / "out");
        std::string pack = (folder / "startup.mbm").string() + "\r\n";
        std::string unpack = " -u " + (folder / "startup.mbm").string() + "\r\n";
        for (int k = 0; k < kFrames; ++k) {
            frames.push_back(frame(k));
            const fs::path bmp = folder / "startup" / (std::to_string(k) + ".bmp");
            saveBmpFile(frames.back(), bmp);
            pack += "-c16" + bmp.string() + "\r\n";
            unpack += (folder / "out" / (std::to_string(k) + ".bmp")).string() + "\r\n";
        }
        std::ofstream(folder / "pack.txt", std::ios::binary) << pack;
        std::ofstream(folder / "unpack.txt", std::ios::binary) << unpack;
        std::vector<MbmFrame> list;
        for (const Raster& f : frames)
            list.push_back({&f, {16, ColorKind::Color}});
        packed = encodeMbm(list);
        writeFileAtomically(folder / "startup.mbm", packed);
    }
};

Workspace& workspace() {
    static Workspace instance;
    return instance;
}

// One bmconv run with the command file, as the application starts it; returns its exit status.
int runConverter(const fs::path& commandFile) {
    testing::ProcessOptions options;
    options.captureOutput = false;
    return testing::runProcess(fs::path(FELMO_BIN_DIR) / "bmconv", {commandFile.string()}, options)
        .exitStatus;
}

void BM_PackProcess(benchmark::State& state) {
    Workspace& w = workspace();
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove(w.folder / "startup.mbm");  // a fresh target, as in the build pipeline
        state.ResumeTiming();
        if (runConverter(w.folder / "pack.txt") != 0)
            state.SkipWithError("bmconv failed");
    }
}
BENCHMARK(BM_PackProcess)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_UnpackProcess(benchmark::State& state) {
    Workspace& w = workspace();
    writeFileAtomically(w.folder / "startup.mbm", w.packed);
    for (auto _ : state) {
        state.PauseTiming();
        for (int k = 0; k < kFrames; ++k)  // emptied slot folder, as at start-up
            fs::remove(w.folder / "out" / (std::to_string(k) + ".bmp"));
        state.ResumeTiming();
        if (runConverter(w.folder / "unpack.txt") != 0)
            state.SkipWithError("bmconv failed");
    }
}
BENCHMARK(BM_UnpackProcess)->Unit(benchmark::kMillisecond)->UseRealTime();

constexpr std::int64_t kPixelBytes = std::int64_t{kFrames} * kWidth * kHeight * 3;

void BM_EncodeStartup16(benchmark::State& state) {
    Workspace& w = workspace();
    std::vector<MbmFrame> list;
    for (const Raster& f : w.frames)
        list.push_back({&f, {16, ColorKind::Color}});
    for (auto _ : state)
        benchmark::DoNotOptimize(encodeMbm(list));
    state.SetBytesProcessed(state.iterations() * kPixelBytes);
}
BENCHMARK(BM_EncodeStartup16)->Unit(benchmark::kMicrosecond);

void BM_DecodeStartup16(benchmark::State& state) {
    Workspace& w = workspace();
    for (auto _ : state)
        benchmark::DoNotOptimize(decodeMbm(w.packed));
    state.SetBytesProcessed(state.iterations() * kPixelBytes);
}
BENCHMARK(BM_DecodeStartup16)->Unit(benchmark::kMicrosecond);

// The run-length schemes alone on one frame's packed pixels (bytes = packed bytes).
void BM_CompressSixteenBit(benchmark::State& state) {
    std::vector<std::uint8_t> raw, out;
    packPixels(workspace().frames[6], {16, ColorKind::Color}, raw);
    for (auto _ : state) {
        out.clear();
        benchmark::DoNotOptimize(compressPixels(Compression::SixteenBit, raw, out));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(raw.size()));
}
BENCHMARK(BM_CompressSixteenBit)->Unit(benchmark::kMicrosecond);

void BM_DecompressSixteenBit(benchmark::State& state) {
    std::vector<std::uint8_t> raw, stored;
    packPixels(workspace().frames[6], {16, ColorKind::Color}, raw);
    compressPixels(Compression::SixteenBit, raw, stored);
    std::vector<std::uint8_t> back(raw.size());
    for (auto _ : state)
        decompressPixels(Compression::SixteenBit, stored, back);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(raw.size()));
}
BENCHMARK(BM_DecompressSixteenBit)->Unit(benchmark::kMicrosecond);

// Eight-bit colour goes through the palette table; byte runs have the literal tail.
void BM_EncodeStartup8(benchmark::State& state) {
    Workspace& w = workspace();
    std::vector<MbmFrame> list;
    for (const Raster& f : w.frames)
        list.push_back({&f, {8, ColorKind::Color}});
    for (auto _ : state)
        benchmark::DoNotOptimize(encodeMbm(list));
    state.SetBytesProcessed(state.iterations() * kPixelBytes);
}
BENCHMARK(BM_EncodeStartup8)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace felmo
