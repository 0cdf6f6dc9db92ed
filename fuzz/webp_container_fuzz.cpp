// Our walk of a WebP container accepts exactly what libwebp's demuxer accepts, refuses the rest
// as damaged or truncated as the demuxer finds it, and finds the same canvas, flags and frames
// (place, timing, opacity, and the very bytes each frame is decoded from), whether the bytes are
// in memory or read from a file a piece at a time. Both sources then decode to the same canvases.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include <webp/demux.h>

#include "base/error.hpp"
#include "raster/webp.hpp"
#include "raster/webp_container.hpp"
#include "support/file_like_source.hpp"

namespace {

void check(bool condition) {
    if (!condition)
        std::abort();
}

enum class Outcome { Whole, Damaged, EndsEarly };

Outcome walk(felmo::ByteSource& source, felmo::WebpContainer& container) {
    try {
        container = felmo::walkWebpContainer(source, 64);
        return Outcome::Whole;
    } catch (const felmo::InvalidPicture& refused) {
        return std::string(refused.what()).find("ends early") != std::string::npos
                   ? Outcome::EndsEarly
                   : Outcome::Damaged;
    }
}

void checkSameFrames(const WebPDemuxer* demuxer, const felmo::WebpContainer& walked,
                     const std::uint8_t* data) {
    check(walked.canvasWidth == int(WebPDemuxGetI(demuxer, WEBP_FF_CANVAS_WIDTH)));
    check(walked.canvasHeight == int(WebPDemuxGetI(demuxer, WEBP_FF_CANVAS_HEIGHT)));
    check(walked.flags == WebPDemuxGetI(demuxer, WEBP_FF_FORMAT_FLAGS));
    check(walked.frameCount == int(WebPDemuxGetI(demuxer, WEBP_FF_FRAME_COUNT)));
    WebPIterator frame;
    std::size_t index = 0;
    if (WebPDemuxGetFrame(demuxer, 1, &frame)) {
        do {
            if (index == walked.frames.size())
                break;
            const felmo::WebpFrameChunks& ours = walked.frames[index++];
            check(ours.x == frame.x_offset && ours.y == frame.y_offset);
            check(ours.width == frame.width && ours.height == frame.height);
            check(ours.durationMs == frame.duration && ours.hasAlpha == (frame.has_alpha != 0));
            check(ours.blends == (frame.blend_method == WEBP_MUX_BLEND));
            check(ours.clearedAfter == (frame.dispose_method == WEBP_MUX_DISPOSE_BACKGROUND));
            check(ours.dataOffset == std::uint64_t(frame.fragment.bytes - data));
            check(ours.dataSize == frame.fragment.size);
        } while (WebPDemuxNextFrame(&frame));
        WebPDemuxReleaseIterator(&frame);
    }
    check(index == walked.frames.size());
}

// What composing every frame gives, as one string of bytes, or the message it ends with.
std::string composed(felmo::ByteSource& source) {
    std::string canvases;
    try {
        felmo::composeWebpFrames(source, [&canvases](int, const felmo::DecodedPicture& canvas) {
            for (int y = 0; y < canvas.colour.height(); ++y)
                canvases.append(reinterpret_cast<const char*>(canvas.colour.storageRow(y)),
                                std::size_t(canvas.colour.width()) * 3);
            canvases.append(canvas.alpha.begin(), canvas.alpha.end());
            return true;
        });
    } catch (const felmo::Error& refused) {
        return refused.what();
    }
    return canvases;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    felmo::MemorySource memory({data, size});
    felmo::testing::FileLikeSource file({data, size});
    felmo::WebpContainer inMemory, fromFile;
    const Outcome outcome = walk(memory, inMemory);
    check(walk(file, fromFile) == outcome);

    const WebPData whole{data, size};
    WebPDemuxState state = WEBP_DEMUX_PARSE_ERROR;
    WebPDemuxer* demuxer = WebPDemuxPartial(&whole, &state);
    if (demuxer == nullptr || state == WEBP_DEMUX_PARSE_ERROR) {
        check(outcome == Outcome::Damaged);
    } else if (state != WEBP_DEMUX_DONE) {
        check(outcome == Outcome::EndsEarly);
    } else {
        check(outcome == Outcome::Whole);
        checkSameFrames(demuxer, inMemory, data);
        checkSameFrames(demuxer, fromFile, data);
    }
    WebPDemuxDelete(demuxer);
    if (outcome == Outcome::Whole) {
        felmo::MemorySource again({data, size});
        felmo::testing::FileLikeSource fileAgain({data, size});
        check(composed(again) == composed(fileAgain));
    }
    return 0;
}
