#include "raster/webp_writer.hpp"

#include <webp/encode.h>
#include <webp/mux.h>

#include <memory>
#include <new>
#include <string>

#include "base/error.hpp"
#include "raster/animation_frames.hpp"

namespace felmo {
namespace {

constexpr int kMaxSide = 16383;                // WEBP_MAX_DIMENSION of the encoder
constexpr int kMaxDurationMs = (1 << 24) - 1;  // the frame header's 24-bit field
// Lossless effort 0 (fastest) ... 9; 2 is several times faster than the library's default with
// files only slightly larger at the phone's frame size.
constexpr int kLosslessEffort = 2;

[[noreturn]] void fail(const std::string& what) {
    throw Error("Cannot write WebP data. " + what + ".");
}

[[noreturn]] void versionMismatch() {
    fail("the WebP library does not match the version the program was built with");
}

struct MuxDeleter {
    void operator()(WebPMux* mux) const { WebPMuxDelete(mux); }
};

// One frame encoded as a lossless still, held by the library's memory writer.
class EncodedFrame {
  public:
    EncodedFrame(const Raster& picture, const WebPConfig& config) {
        WebPMemoryWriterInit(&writer_);
        if (!WebPPictureInit(&picture_))
            versionMismatch();
        picture_.use_argb = 1;
        picture_.width = picture.width();
        picture_.height = picture.height();
        // Raster rows are blue, green, red without padding.
        if (!WebPPictureImportBGR(&picture_, picture.storageRow(0), picture.width() * 3))
            throw std::bad_alloc();
        picture_.writer = WebPMemoryWrite;
        picture_.custom_ptr = &writer_;
        if (!WebPEncode(&config, &picture_))
            fail("a frame could not be encoded (libwebp error " +
                 std::to_string(static_cast<int>(picture_.error_code)) + ")");
    }
    ~EncodedFrame() {
        WebPPictureFree(&picture_);
        WebPMemoryWriterClear(&writer_);
    }
    EncodedFrame(const EncodedFrame&) = delete;
    EncodedFrame& operator=(const EncodedFrame&) = delete;

    WebPData data() const { return WebPData{writer_.mem, writer_.size}; }

  private:
    WebPPicture picture_{};
    WebPMemoryWriter writer_{};
};

void check(WebPMuxError status, const char* what) {
    if (status == WEBP_MUX_MEMORY_ERROR)
        throw std::bad_alloc();
    if (status != WEBP_MUX_OK)
        fail(std::string(what) + " (libwebp mux error " + std::to_string(static_cast<int>(status)) +
             ")");
}

}  // namespace

std::vector<std::uint8_t> encodeLoopingLosslessWebp(std::span<const WebpFrame> frames) {
    if (const std::optional<std::string> problem = animationFramesProblem(frames, kMaxSide))
        fail(*problem);
    const int width = frames.front().picture->width();
    const int height = frames.front().picture->height();
    for (const WebpFrame& frame : frames) {
        if (frame.durationMs < 1 || frame.durationMs > kMaxDurationMs)
            fail("a frame duration of " + std::to_string(frame.durationMs) + " ms is out of range");
    }

    WebPConfig config;
    if (!WebPConfigInit(&config) || !WebPConfigLosslessPreset(&config, kLosslessEffort))
        versionMismatch();
    config.exact = 1;

    std::unique_ptr<WebPMux, MuxDeleter> mux{WebPMuxNew()};
    if (!mux)
        throw std::bad_alloc();
    for (const WebpFrame& frame : frames) {
        const EncodedFrame encoded(*frame.picture, config);
        WebPMuxFrameInfo info{};
        info.bitstream = encoded.data();
        info.duration = frame.durationMs;
        info.id = WEBP_CHUNK_ANMF;
        info.dispose_method = WEBP_MUX_DISPOSE_NONE;
        info.blend_method = WEBP_MUX_NO_BLEND;
        check(WebPMuxPushFrame(mux.get(), &info, /*copy_data=*/1), "a frame could not be added");
    }
    WebPMuxAnimParams animation{};
    animation.bgcolor = 0xFF000000;  // opaque black, as ARGB
    animation.loop_count = 0;        // for ever
    check(WebPMuxSetAnimationParams(mux.get(), &animation), "the animation could not be set up");
    check(WebPMuxSetCanvasSize(mux.get(), width, height), "the canvas could not be sized");

    WebPData assembled;
    WebPDataInit(&assembled);
    check(WebPMuxAssemble(mux.get(), &assembled), "the file could not be assembled");
    std::unique_ptr<WebPData, decltype(&WebPDataClear)> owned{&assembled, WebPDataClear};
    return std::vector<std::uint8_t>(assembled.bytes, assembled.bytes + assembled.size);
}

}  // namespace felmo
