// The chunks of a WebP file, read from a source without holding the file: the canvas, and for
// each frame its place, timing and where its compressed data lies. The walk reads chunk headers
// only and accepts exactly what libwebp's demuxer accepts, so a frame's data can be read and
// decoded on its own afterwards.
//
// Errors: an InvalidPicture ("Invalid WebP data. The file is damaged." or "... The file ends
// early: it is truncated or damaged."); a source that can no longer give its bytes throws its own
// felmo::Error.
#pragma once

#include <cstdint>
#include <vector>

#include "base/byte_source.hpp"

namespace felmo {

// One frame: its compressed data (the opacity chunk, if any, through the picture chunk; for a
// bare bitstream, the whole file) is decoded on its own.
struct WebpFrameChunks {
    std::uint64_t dataOffset = 0;
    std::uint64_t dataSize = 0;
    std::uint64_t pictureOffset = 0;  // where the picture chunk (or bare bitstream) starts
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    int durationMs = 0;
    bool hasAlpha = false;
    bool blends = true;         // drawn over the canvas rather than replacing it
    bool clearedAfter = false;  // its rectangle cleared once it has been shown
};

struct WebpContainer {
    int canvasWidth = 0;
    int canvasHeight = 0;
    std::uint32_t flags = 0;  // the extended header's feature flags (animation, alpha, ...)
    int frameCount = 0;
    // The first `frameLimit` frames of walkWebpContainer; frameCount counts them all.
    std::vector<WebpFrameChunks> frames;
};

// Walks the whole file, keeping at most `frameLimit` frames (the rest are checked and counted).
WebpContainer walkWebpContainer(ByteSource& source, int frameLimit);

}  // namespace felmo
