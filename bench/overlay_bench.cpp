// Speed of the EidPic overlay: the soft-edged blend alone, the copy and blend of one composition,
// the whole composition with the bottom-strip redraw, and the cross-fade's full-screen call.
#include <benchmark/benchmark.h>

#include "compose/overlay_composition.hpp"
#include "compose/soft_edge_blend.hpp"

#include "support/patterned_raster.hpp"

namespace felmo {
namespace {

using testing::patternedRaster;

constexpr Color kMagenta = 0x00FF00FF;

// The default overlay settings: Alpha 200, columns 40..150, rows 30..60, slopes 151/151/20/20.
const SoftEdgeBlendArea kDefaultOverlay = overlayBlendArea(OverlayRegion{}, OverlayControls{});

void SoftEdgeBlendStrip(benchmark::State& state) {
    const Raster overlay = patternedRaster(176, 68);
    Raster strip(176, 68, rgb(10, 20, 30));
    for (auto _ : state) {
        SoftEdgeBlend(&strip, &overlay, kDefaultOverlay, PickedRGB{1, 2, 3});
        benchmark::ClobberMemory();
    }
}
BENCHMARK(SoftEdgeBlendStrip)->Unit(benchmark::kMicrosecond);

// Steps 2 to 4 of the composition: the base strip copied, then the overlay blended in.
void CopyAndBlendStrip(benchmark::State& state) {
    StillPictures pictures;
    pictures.EidPicPicture0.setPicture(patternedRaster(176, 68));
    pictures.EidPicPictureAlpha.setPicture(patternedRaster(176, 68));
    for (auto _ : state) {
        pictures.EidPicPicture1.assign(pictures.EidPicPicture0);
        SoftEdgeBlend(pictures.EidPicPicture1.picture(), pictures.EidPicPictureAlpha.picture(),
                      kDefaultOverlay,
                      PickedRGB::of(pictures.EidPicPictureAlpha.picture()->pixel(0, 0)));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(CopyAndBlendStrip)->Unit(benchmark::kMicrosecond);

// The whole composition of one TimerEidPic tick, the bottom strip's redraw included (no text
// rasteriser installed, so the captions and the date are not drawn).
void ImposingDrawAlphaTick(benchmark::State& state) {
    StillPictures pictures;
    pictures.EidPicPicture0.setPicture(patternedRaster(176, 68));
    pictures.EidPicPictureAlpha.setPicture(patternedRaster(176, 68));
    pictures.BackgroundPicture.setPicture(patternedRaster(176, 132));
    StatusStrip strip;
    PickedRGB picked;
    const OverlayRegion region;
    const OverlayControls controls;
    for (auto _ : state) {
        ImposingDrawAlpha(pictures, region, controls, strip, picked);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(ImposingDrawAlphaTick)->Unit(benchmark::kMicrosecond);

// The cross-fade's call on a full screen: zero rectangle and slopes.
void SoftEdgeBlendCrossFadeScreen(benchmark::State& state) {
    const Raster picture = patternedRaster(176, 208);
    Raster frame(176, 208, rgb(200, 100, 50));
    for (auto _ : state) {
        SoftEdgeBlend(&frame, &picture, {.KeyColour = kMagenta, .Alpha = 60}, PickedRGB{1, 2, 3});
        benchmark::ClobberMemory();
    }
}
BENCHMARK(SoftEdgeBlendCrossFadeScreen)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace felmo
