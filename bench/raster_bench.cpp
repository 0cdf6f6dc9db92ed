// Speed of the raster operations the effects lean on, at the phone's frame size.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>

#include "raster/bmp.hpp"
#include "raster/canvas.hpp"

#include "support/patterned_raster.hpp"

namespace felmo {
namespace {

using testing::patternedRaster;

void BmpEncode176x208(benchmark::State& state) {
    const Raster frame = patternedRaster(176, 208);
    for (auto _ : state)
        benchmark::DoNotOptimize(encodeBmp(frame));
}
BENCHMARK(BmpEncode176x208);

void BmpDecode176x208(benchmark::State& state) {
    const std::vector<std::uint8_t> bytes = encodeBmp(patternedRaster(176, 208));
    for (auto _ : state)
        benchmark::DoNotOptimize(decodeBmp(bytes));
}
BENCHMARK(BmpDecode176x208);

void BmpSaveAndLoadFile176x208(benchmark::State& state) {
    const Raster frame = patternedRaster(176, 208);
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() /
        ("felmo-raster-bench-" + std::to_string(::getpid()) + ".bmp");
    for (auto _ : state) {
        saveBmpFile(frame, path);
        benchmark::DoNotOptimize(loadBmpFile(path));
    }
    std::filesystem::remove(path);
}
BENCHMARK(BmpSaveAndLoadFile176x208);

void StretchDraw352x416Into176x208(benchmark::State& state) {
    const Raster source = patternedRaster(352, 416);
    Raster target(176, 208);
    Canvas canvas(target);
    for (auto _ : state) {
        canvas.stretchDraw(Rect{0, 0, 176, 208}, source);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(StretchDraw352x416Into176x208);

void DrawTransparent176x208(benchmark::State& state) {
    Raster source = patternedRaster(176, 208);
    source.setTransparent(true);
    Raster target(176, 208);
    Canvas canvas(target);
    for (auto _ : state) {
        canvas.draw(-3, 2, source);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(DrawTransparent176x208);

// Fills the whole surface each time; the brush alternates so every fill really paints.
void FloodFillWholeSurface(benchmark::State& state) {
    Raster target(176, static_cast<int>(state.range(0)));
    Canvas canvas(target);
    Color brush = rgb(1, 2, 3);
    for (auto _ : state) {
        brush ^= 0x00FFFFFF;
        canvas.setBrushColor(brush);
        canvas.floodFillBorder(88, 100, colors::black);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 176 * state.range(0));
}
BENCHMARK(FloodFillWholeSurface)->Arg(208)->Arg(2496);

// The brightness fades read and write every pixel of a frame one call at a time.
void PixelReadWrite176x208(benchmark::State& state) {
    Raster target = patternedRaster(176, 208);
    Canvas canvas(target);
    for (auto _ : state) {
        for (int y = 0; y < 208; ++y)
            for (int x = 0; x < 176; ++x)
                canvas.setPixel(x, y, canvas.pixel(x, y) ^ 0x00010101);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(PixelReadWrite176x208);

void EllipseAndOutsideFill176x208(benchmark::State& state) {
    Raster target(176, 208);
    Canvas canvas(target);
    for (auto _ : state) {
        canvas.setPenColor(colors::black);
        canvas.setBrushColor(colors::white);
        canvas.ellipse(20, 30, 156, 178);
        canvas.setBrushColor(colors::red);
        canvas.floodFillBorder(0, 0, colors::black);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(EllipseAndOutsideFill176x208);

}  // namespace
}  // namespace felmo
