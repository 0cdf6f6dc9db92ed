// The motion effects end to end: picture load (where the effect asks for one), drawing and the
// 12 frame files written to a temporary work directory.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <optional>
#include <string>

#include "compose/still_pictures.hpp"
#include "effects/binocular.hpp"
#include "effects/effect_context.hpp"
#include "effects/light_tunnel.hpp"
#include "effects/motion.hpp"
#include "raster/bmp.hpp"
#include "support/temporary_folder.hpp"

namespace felmo {
namespace {

Raster gradient(int width, int height) {
    Raster picture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y,
                             rgb(static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y),
                                 static_cast<std::uint8_t>(x ^ y)));
    return picture;
}

// One work directory, one set of work images, one picture file for the whole run.
struct Bench {
    Bench() {
        std::filesystem::create_directories(workDir / "startup");
        saveBmpFile(gradient(640, 480), wide);
        saveBmpFile(gradient(480, 640), tall);
        stills.SplashscreenPicture.setPicture(gradient(176, 208));
    }

    EffectContext context(std::optional<std::filesystem::path> picture) {
        return EffectContext{workDir, work,    stills, load, [picture] { return picture; },
                             random,  preview, picked};
    }

    testing::TemporaryFolder folder{"bench"};
    std::filesystem::path workDir = folder.path();
    std::filesystem::path wide = workDir / "wide.bmp";
    std::filesystem::path tall = workDir / "tall.bmp";
    WorkImages work;
    StillPictures stills;
    PictureLoad load;
    EffectRandom random;
    PreviewPlayer preview;
    PickedRGB picked;
};

Bench& bench() {
    static Bench instance;
    return instance;
}

void BM_MoveRightLeft(benchmark::State& state) {
    EffectContext context = bench().context(bench().wide);
    for (auto _ : state)
        MoveRightLeft(context, static_cast<int>(state.range(0)));
}
BENCHMARK(BM_MoveRightLeft)->Arg(kTagSlideRight)->Arg(kTagSlideLeft)->Unit(benchmark::kMillisecond);

void BM_MoveUpDown(benchmark::State& state) {
    EffectContext context = bench().context(bench().tall);
    for (auto _ : state)
        MoveUpDown(context, static_cast<int>(state.range(0)));
}
BENCHMARK(BM_MoveUpDown)->Arg(kTagSlideDown)->Arg(kTagSlideUp)->Unit(benchmark::kMillisecond);

void BM_ApproachPostpone(benchmark::State& state) {
    EffectContext context = bench().context(std::nullopt);
    for (auto _ : state)
        ApproachPostpone(context, static_cast<int>(state.range(0)));
}
BENCHMARK(BM_ApproachPostpone)->Arg(kTagZoomIn)->Arg(kTagZoomOut)->Unit(benchmark::kMillisecond);

void BM_MovementOnTunnel(benchmark::State& state) {
    EffectContext context = bench().context(std::nullopt);
    for (auto _ : state)
        MovementOnTunnel(context, static_cast<int>(state.range(0)));
}
BENCHMARK(BM_MovementOnTunnel)
    ->Arg(kTagTunnelOutBlack)
    ->Arg(kTagTunnelInWhite)
    ->Unit(benchmark::kMillisecond);

void BM_MovementDirectedLight(benchmark::State& state) {
    EffectContext context = bench().context(std::nullopt);
    for (auto _ : state)
        MovementDirectedLight(context, static_cast<int>(state.range(0)));
}
BENCHMARK(BM_MovementDirectedLight)
    ->Arg(kTagLightBlack)
    ->Arg(kTagLightWhite)
    ->Unit(benchmark::kMillisecond);

void BM_ApproachAndDistance(benchmark::State& state) {
    EffectContext context = bench().context(bench().wide);
    for (auto _ : state)
        ApproachAndDistance(context, static_cast<int>(state.range(0)));
}
BENCHMARK(BM_ApproachAndDistance)
    ->Arg(kTagBinocularInLast)
    ->Arg(kTagBinocularOutFirst)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace felmo
