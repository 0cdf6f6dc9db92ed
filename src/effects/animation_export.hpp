// The start-up animation written as a file to share: the twelve frames as a viewer plays them in
// a loop, one cycle lasting exactly 1.5 s like the preview (125 ms a frame).
//
// - GIF (".gif"): 176 x 208, delays alternating 13 and 12 hundredths of a second (13, 12, 13, ...),
//   which the format's unit allows only as a pair; every frame with its own palette.
// - WebP (".webp"): lossless, 125 ms a frame, pixels exactly the frames'.
//
// Each frame is shown as the preview shows its file: the top-left 176 x 208 of a larger frame,
// black beyond the edges of a smaller one.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

#include "raster/raster.hpp"

namespace felmo {

enum class AnimationFileFormat { Gif, Webp };

// The format the file's name asks for by its ending (".gif", ".webp", any letter case).
std::optional<AnimationFileFormat> animationFormatOf(const std::filesystem::path& file);
// The refusal for any other ending, naming the file and the two endings.
std::string unknownAnimationEndingMessage(const std::filesystem::path& file);

// The twelve frame files under workDir as the preview shows them, each 176 x 208 at 24 bits.
// "Cannot open file ..." or the BMP reader's message when a frame cannot be read.
std::vector<Raster> startupFramesAsShown(const std::filesystem::path& workDir);

// Encodes twelve 176 x 208 frames at the preview's pace.
std::vector<std::uint8_t> encodeStartupAnimation(const std::vector<Raster>& frames,
                                                 AnimationFileFormat format);

// Reads the frames, encodes them in the format of the file's ending and writes the file
// atomically. felmo::Error, with nothing written, for an unknown ending, an unreadable frame or a
// file that cannot be created ("Cannot create file "<file>". <reason>").
void exportStartupAnimation(const std::filesystem::path& workDir,
                            const std::filesystem::path& file);

}  // namespace felmo
