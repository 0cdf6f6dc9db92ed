#include "effects/animated_picture.hpp"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "raster/canvas.hpp"
#include "raster/picture_reader.hpp"

namespace felmo {

int displayedDelayMs(int storedDelayMs) {
    return storedDelayMs < 20 ? 100 : storedDelayMs;
}

std::array<int, kFrameCount> chooseSourceFrames(std::span<const int> delaysMs) {
    std::int64_t total = 0;
    for (int delay : delaysMs)
        total += displayedDelayMs(delay);
    std::array<int, kFrameCount> chosen{};
    int frame = 0;
    std::int64_t frameEnd = displayedDelayMs(delaysMs[0]);
    for (int i = 0; i < kFrameCount; ++i) {
        const std::int64_t moment = i * total / kFrameCount;
        while (moment >= frameEnd && frame + 1 < static_cast<int>(delaysMs.size()))
            frameEnd += displayedDelayMs(delaysMs[++frame]);
        chosen[i] = frame;
    }
    return chosen;
}

void AnimationFromPicture(EffectContext& context) {
    const std::optional<std::filesystem::path> path =
        choosePictureFile(context.load, context.choosePicture);
    if (!path)
        return;
    const PictureFile file = readPictureFile(*path);
    const std::array<int, kFrameCount> chosen = chooseSourceFrames(frameDelaysMs(file));

    std::array<Raster, kFrameCount> screens;
    Raster firstFrame;
    composeFrames(file, [&](int index, const DecodedPicture& canvas) {
        if (index == 0 || std::find(chosen.begin(), chosen.end(), index) != chosen.end()) {
            Raster frame = flattenOverBlack(canvas);
            Raster screen(kScreenWidth, kScreenHeight, colors::black);
            Canvas(screen).stretchDraw(Rect{0, 0, kScreenWidth, kScreenHeight}, frame);
            for (int i = 0; i < kFrameCount; ++i)
                if (chosen[i] == index)
                    screens[i] = screen;
            if (index == 0)
                firstFrame = std::move(frame);
        }
        return index < chosen.back();
    });
    context.load.LoadedPicture = std::move(firstFrame);

    context.preview.disableTimer2();
    context.preview.rewind();
    for (int k = 0; k < kFrameCount; ++k)
        SaveFrame(screens[k], context.workDir, k);
    context.preview.enableTimer2();
}

}  // namespace felmo
