#include "effects/animated_picture.hpp"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "base/display_text.hpp"
#include "base/error.hpp"
#include "base/translation.hpp"
#include "base/utf8_path.hpp"
#include "platform/file_io.hpp"
#include "raster/picture_reader.hpp"

namespace felmo {

namespace {

// The canvas laid over black and stretched over the screen by nearest neighbour, as drawing its
// flattened copy would give, reading only the pixels shown: no copy of a large canvas is made.
Raster screenFromCanvas(const DecodedPicture& canvas) {
    Raster screen(kScreenWidth, kScreenHeight, colors::black);
    const std::int64_t width = canvas.colour.width();
    const std::int64_t height = canvas.colour.height();
    if (width == 0 || height == 0)
        return screen;
    for (int y = 0; y < kScreenHeight; ++y) {
        const auto row = static_cast<int>(y * height / kScreenHeight);
        for (int x = 0; x < kScreenWidth; ++x) {
            const auto column = static_cast<int>(x * width / kScreenWidth);
            const Color colour = canvas.colour.pixel(column, row);
            if (!canvas.hasAlpha()) {
                screen.setPixel(x, y, colour);
                continue;
            }
            const unsigned opacity = canvas.alpha[static_cast<std::size_t>(row * width + column)];
            const auto overBlack = [opacity](std::uint8_t channel) {
                return static_cast<std::uint8_t>((channel * opacity + 127) / 255);
            };
            screen.setPixel(x, y,
                            rgb(overBlack(redOf(colour)), overBlack(greenOf(colour)),
                                overBlack(blueOf(colour))));
        }
    }
    return screen;
}

}  // namespace

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
    PictureFile file(*path);
    const AnimationOutline outline = animationOutline(file);
    const std::array<int, kFrameCount> chosen = chooseSourceFrames(outline.delaysMs);
    // Frames are composed up to the last one shown, each over the whole canvas.
    const std::int64_t composedFrames = chosen.back() + 1;
    if (composedFrames * outline.width * outline.height > kMaxComposedAnimationPixels)
        throw Error(formatMessage(_("Анимация %1 слишком велика: %2 кадров по %3 x %4 точек, "
                                    "больше %5 Мпикс вместе."),
                                  displayText(utf8FromPath(file.path())), composedFrames,
                                  outline.width, outline.height,
                                  kMaxComposedAnimationPixels >> 20));

    // Only the canvas is held while composing. The first frame, which becomes the loaded picture,
    // is the file read as a still: read once more afterwards, unless it is the only frame shown,
    // and laid over black in its own storage.
    std::array<Raster, kFrameCount> screens;
    const auto showFrame = [&](int index, const DecodedPicture& canvas) {
        if (std::find(chosen.begin(), chosen.end(), index) == chosen.end())
            return;
        const Raster screen = screenFromCanvas(canvas);
        for (int i = 0; i < kFrameCount; ++i)
            if (chosen[i] == index)
                screens[i] = screen;
    };
    DecodedPicture firstFrame;
    if (chosen.back() == 0) {
        firstFrame = decodePictureFile(file);
        showFrame(0, firstFrame);
    } else {
        composeFrames(file, [&](int index, const DecodedPicture& canvas) {
            showFrame(index, canvas);
            return index < chosen.back();
        });
        firstFrame = decodePictureFile(file);
        if (firstFrame.colour.width() != outline.width ||
            firstFrame.colour.height() != outline.height)
            throw Error(cannotOpenMessage(file.path(), "The file changed while it was read."));
    }
    context.load.LoadedPicture = flattenOverBlack(std::move(firstFrame));

    context.preview.disableTimer2();
    context.preview.rewind();
    for (int k = 0; k < kFrameCount; ++k)
        SaveFrame(screens[k], context.workDir, k);
    context.preview.enableTimer2();
}

}  // namespace felmo
