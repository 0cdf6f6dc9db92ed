// The motion effects end to end: picture load (where the effect asks for one), drawing and the
// 12 frame files written to a temporary work directory.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <optional>
#include <string>

#include "effects/animated_picture.hpp"
#include "effects/binocular.hpp"
#include "effects/brightness.hpp"
#include "effects/light_tunnel.hpp"
#include "effects/motion.hpp"
#include "effects/strip_wipes.hpp"
#include "effects/transitions.hpp"
#include "platform/file_io.hpp"
#include "raster/bmp.hpp"
#include "studio/document.hpp"
#include "support/picture_files.hpp"
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

// One work directory, one document, one picture file for the whole run.
struct Bench {
    Bench() {
        std::filesystem::create_directories(workDir / "startup");
        saveBmpFile(gradient(640, 480), wide);
        saveBmpFile(gradient(480, 640), tall);
        document.stills.SplashscreenPicture.setPicture(gradient(176, 208));
    }

    EffectContext context(std::optional<std::filesystem::path> picture) {
        return document.effectContext(workDir, [picture] { return picture; });
    }

    testing::TemporaryFolder folder{"bench"};
    std::filesystem::path workDir = folder.path();
    std::filesystem::path wide = workDir / "wide.bmp";
    std::filesystem::path tall = workDir / "tall.bmp";
    Document document;
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

void BM_StripWipes(benchmark::State& state) {
    EffectContext context = bench().context(bench().wide);
    const int tag = static_cast<int>(state.range(0));
    for (auto _ : state)
        (tag <= kTagBlindsUp ? HorizontalStrips : VerticalStrips)(context, tag);
}
BENCHMARK(BM_StripWipes)->Arg(kTagBlindsDown)->Arg(kTagBlindsLeft)->Unit(benchmark::kMillisecond);

// 16,764 cell copies through the 2 x 2 scratch raster and 45,722 random draws per run.
void BM_TransformationFromPicture(benchmark::State& state) {
    EffectContext context = bench().context(bench().wide);
    for (auto _ : state)
        TransformationFromPicture(context);
}
BENCHMARK(BM_TransformationFromPicture)->Unit(benchmark::kMillisecond);

void BM_Display(benchmark::State& state) {
    EffectContext context = bench().context(bench().wide);
    for (auto _ : state)
        Display(context);
}
BENCHMARK(BM_Display)->Unit(benchmark::kMillisecond);

// One fade step alone: 209 x 209 positions through single-pixel reads and writes.
void BM_BrightnessChange(benchmark::State& state) {
    Image image(176, 208);
    image.setPicture(gradient(176, 208));
    for (auto _ : state)
        BrightnessChange(image, FadeMode::White, kFadeDivisor, kFadeStepNumerator);
}
BENCHMARK(BM_BrightnessChange)->Unit(benchmark::kMicrosecond);

void BM_BrightnessBlackWhite(benchmark::State& state) {
    EffectContext context = bench().context(std::nullopt);
    for (auto _ : state)
        BrightnessBlackWhite(context, static_cast<int>(state.range(0)));
}
BENCHMARK(BM_BrightnessBlackWhite)
    ->Arg(kTagFadeInBlack)
    ->Arg(kTagFadeOutWhite)
    ->Unit(benchmark::kMillisecond);

// 6,936 one-pixel strokes per run.
void BM_ScatteredRestoration(benchmark::State& state) {
    EffectContext context = bench().context(std::nullopt);
    for (auto _ : state)
        ScatteredRestoration(context, static_cast<int>(state.range(0)));
}
BENCHMARK(BM_ScatteredRestoration)
    ->Arg(kTagScatterRightBlack)
    ->Arg(kTagRestoreLeftWhite)
    ->Unit(benchmark::kMillisecond);

// The animation effect on 60 full frames of 500 x 500 (a disc moving over a striped field, 256
// colours): read, composed, stretched and written as the 12 frames.
testing::Bytes sixtyFrameGif() {
    testing::GifDescription description{500, 500, {}, {}};
    for (int i = 0; i < 256; ++i)
        description.colours.push_back(testing::Rgb{static_cast<std::uint8_t>(i),
                                                   static_cast<std::uint8_t>(255 - i),
                                                   static_cast<std::uint8_t>((i * 7) & 0xFF)});
    for (int frame = 0; frame < 60; ++frame) {
        testing::GifFrameDescription frameDescription{0, 0,  500,   500, 4,
                                                      1, -1, false, {},  testing::Bytes(250000)};
        const int cx = 50 + frame * 6, cy = 250;
        for (int y = 0; y < 500; ++y)
            for (int x = 0; x < 500; ++x) {
                const bool inDisc = (x - cx) * (x - cx) + (y - cy) * (y - cy) < 60 * 60;
                frameDescription.indices[static_cast<std::size_t>(y) * 500 + x] =
                    static_cast<std::uint8_t>(inDisc ? 255 : ((x + y + frame) / 8) % 200);
            }
        description.frames.push_back(std::move(frameDescription));
    }
    return testing::encodeGif(description);
}

void BM_AnimationFromPicture(benchmark::State& state) {
    const std::filesystem::path gif = bench().workDir / "moving.gif";
    writeFileAtomically(gif, sixtyFrameGif());
    EffectContext context = bench().context(gif);
    for (auto _ : state)
        AnimationFromPicture(context);
}
BENCHMARK(BM_AnimationFromPicture)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace felmo
