#include "effects/animation_export.hpp"

#include <algorithm>
#include <cstring>

#include "base/ascii.hpp"
#include "base/error.hpp"
#include "base/translation.hpp"
#include "base/utf8_path.hpp"
#include "compose/still_pictures.hpp"
#include "effects/frame_files.hpp"
#include "platform/file_io.hpp"
#include "raster/bmp.hpp"
#include "raster/gif_writer.hpp"
#include "raster/webp_writer.hpp"

namespace felmo {
namespace {

// 12 frames of 125 ms: GIF counts in hundredths, so frames alternate 13 and 12 (150 a cycle).
constexpr int kFrameDurationMs = 125;
int gifDelayOf(int frameIndex) {
    return frameIndex % 2 == 0 ? 13 : 12;
}

// The frame on the preview panel: top-left part of a larger picture, black beyond a smaller one.
Raster asShown(const Raster& frame) {
    Raster shown(kScreenWidth, kScreenHeight, colors::black);
    const int width = std::min(frame.width(), kScreenWidth);
    const int height = std::min(frame.height(), kScreenHeight);
    for (int y = 0; y < height; ++y)
        std::memcpy(shown.storageRow(y), frame.storageRow(y), static_cast<std::size_t>(width) * 3);
    return shown;
}

}  // namespace

std::optional<AnimationFileFormat> animationFormatOf(const std::filesystem::path& file) {
    const std::string name = utf8FromPath(file.filename());
    if (endsWithIgnoringAsciiCase(name, ".gif") && name.size() > 4)
        return AnimationFileFormat::Gif;
    if (endsWithIgnoringAsciiCase(name, ".webp") && name.size() > 5)
        return AnimationFileFormat::Webp;
    return std::nullopt;
}

std::string unknownAnimationEndingMessage(const std::filesystem::path& file) {
    return formatMessage(
        _("Анимация для показа записывается в файл GIF (.gif) или WebP (.webp), а не \"%1\"."),
        utf8FromPath(file));
}

std::vector<Raster> startupFramesAsShown(const std::filesystem::path& workDir) {
    std::vector<Raster> frames;
    frames.reserve(kFrameCount);
    for (int k = 0; k < kFrameCount; ++k)
        frames.push_back(asShown(loadBmpFile(frameFilePath(workDir, k))));
    return frames;
}

std::vector<std::uint8_t> encodeStartupAnimation(const std::vector<Raster>& frames,
                                                 AnimationFileFormat format) {
    if (format == AnimationFileFormat::Gif) {
        std::vector<GifFrame> gifFrames;
        for (std::size_t i = 0; i < frames.size(); ++i)
            gifFrames.push_back(GifFrame{&frames[i], gifDelayOf(static_cast<int>(i))});
        return encodeLoopingGif(gifFrames);
    }
    std::vector<WebpFrame> webpFrames;
    for (const Raster& frame : frames)
        webpFrames.push_back(WebpFrame{&frame, kFrameDurationMs});
    return encodeLoopingLosslessWebp(webpFrames);
}

void exportStartupAnimation(const std::filesystem::path& workDir,
                            const std::filesystem::path& file) {
    const std::optional<AnimationFileFormat> format = animationFormatOf(file);
    if (!format)
        throw Error(unknownAnimationEndingMessage(file));
    const std::vector<Raster> frames = startupFramesAsShown(workDir);
    writeEncodedFileAtomically(file, [&] { return encodeStartupAnimation(frames, *format); });
}

}  // namespace felmo
