// Speed of the files written to share a theme: the twelve start-up frames as an animated GIF
// (palettes included) and as a lossless animated WebP, and a four-screen poster as PNG.
#include <benchmark/benchmark.h>

#include <vector>

#include "raster/gif_writer.hpp"
#include "raster/png_writer.hpp"
#include "raster/webp_writer.hpp"

#include "support/photo_like_raster.hpp"

namespace felmo {
namespace {

using testing::photoLikeRaster;

std::vector<Raster> twelveFrames() {
    std::vector<Raster> frames;
    for (int i = 0; i < 12; ++i)
        frames.push_back(photoLikeRaster(176, 208, i * 16));
    return frames;
}

void GifTwelvePhotoFrames(benchmark::State& state) {
    const std::vector<Raster> pictures = twelveFrames();
    std::vector<GifFrame> frames;
    for (int i = 0; i < 12; ++i)
        frames.push_back(GifFrame{&pictures[i], i % 2 == 0 ? 13 : 12});
    for (auto _ : state)
        benchmark::DoNotOptimize(encodeLoopingGif(frames));
}
BENCHMARK(GifTwelvePhotoFrames)->Unit(benchmark::kMillisecond);

void WebpTwelvePhotoFrames(benchmark::State& state) {
    const std::vector<Raster> pictures = twelveFrames();
    std::vector<WebpFrame> frames;
    for (const Raster& picture : pictures)
        frames.push_back(WebpFrame{&picture, 125});
    for (auto _ : state)
        benchmark::DoNotOptimize(encodeLoopingLosslessWebp(frames));
}
BENCHMARK(WebpTwelvePhotoFrames)->Unit(benchmark::kMillisecond);

void PngPoster(benchmark::State& state) {
    const Raster poster = photoLikeRaster(744, 224);
    for (auto _ : state)
        benchmark::DoNotOptimize(encodePng(poster));
}
BENCHMARK(PngPoster)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace felmo
