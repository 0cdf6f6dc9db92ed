// WebP decoding through libwebp. The demuxer checks the container and gives the canvas size and
// the frame durations before anything is decoded; the animation decoder composes the frames onto
// its own canvas, which is copied out frame by frame. A still picture is decoded straight into
// the raster's rows instead (through one BGRA buffer when it has alpha), so that it costs its
// raster and what the library needs, not three canvases. libwebp reports errors by return values.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <webp/decode.h>
#include <webp/demux.h>

#include "raster/picture_limits.hpp"
#include "raster/webp.hpp"

namespace felmo {
namespace {

[[noreturn]] void fail(const std::string& detail) {
    throw InvalidPicture("WebP", detail);
}

struct DemuxerDeleter {
    void operator()(WebPDemuxer* demuxer) const { WebPDemuxDelete(demuxer); }
};
struct AnimationDecoderDeleter {
    void operator()(WebPAnimDecoder* decoder) const { WebPAnimDecoderDelete(decoder); }
};

WebPData asWebpData(std::span<const std::uint8_t> bytes) {
    return WebPData{bytes.data(), bytes.size()};
}

AnimationOutline readOutline(std::span<const std::uint8_t> bytes) {
    const WebPData data = asWebpData(bytes);
    WebPDemuxState state = WEBP_DEMUX_PARSE_ERROR;
    std::unique_ptr<WebPDemuxer, DemuxerDeleter> demuxer(WebPDemuxPartial(&data, &state));
    if (demuxer == nullptr || state == WEBP_DEMUX_PARSE_ERROR)
        fail("The file is damaged.");
    if (state != WEBP_DEMUX_DONE)
        fail("The file ends early: it is truncated or damaged.");

    const std::int64_t width = WebPDemuxGetI(demuxer.get(), WEBP_FF_CANVAS_WIDTH);
    const std::int64_t height = WebPDemuxGetI(demuxer.get(), WEBP_FF_CANVAS_HEIGHT);
    try {
        checkPictureSize(width, height);
    } catch (const Error& limit) {
        fail(limit.what());
    }
    const std::uint32_t frameCount = WebPDemuxGetI(demuxer.get(), WEBP_FF_FRAME_COUNT);
    if (frameCount == 0)
        fail("The file holds no picture.");
    if (frameCount > static_cast<std::uint32_t>(kMaxAnimationFrames))
        fail("The animation has more than " + std::to_string(kMaxAnimationFrames) + " frames.");

    AnimationOutline outline{static_cast<int>(width), static_cast<int>(height), {}};
    const bool animated =
        (WebPDemuxGetI(demuxer.get(), WEBP_FF_FORMAT_FLAGS) & ANIMATION_FLAG) != 0;
    WebPIterator frame;
    if (WebPDemuxGetFrame(demuxer.get(), 1, &frame)) {
        do
            outline.delaysMs.push_back(animated ? std::max(frame.duration, 0) : 0);
        while (WebPDemuxNextFrame(&frame));
        WebPDemuxReleaseIterator(&frame);
    }
    if (outline.delaysMs.size() != frameCount)
        fail("The file is damaged.");
    return outline;
}

void compose(std::span<const std::uint8_t> bytes, const AnimationOutline& outline,
             const ComposedFrameVisitor& visit) {
    const WebPData data = asWebpData(bytes);
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options))
        fail("The decoder cannot be set up.");
    options.color_mode = MODE_BGRA;  // not premultiplied
    options.use_threads = 0;
    std::unique_ptr<WebPAnimDecoder, AnimationDecoderDeleter> decoder(
        WebPAnimDecoderNew(&data, &options));
    if (decoder == nullptr)
        fail("The file is damaged.");

    DecodedPicture canvas{
        Raster(outline.width, outline.height, colors::black),
        std::vector<std::uint8_t>(static_cast<std::size_t>(outline.width) * outline.height, 0)};
    for (int index = 0; WebPAnimDecoderHasMoreFrames(decoder.get()); ++index) {
        std::uint8_t* pixels = nullptr;
        int timestamp = 0;
        if (!WebPAnimDecoderGetNext(decoder.get(), &pixels, &timestamp))
            fail("Frame " + std::to_string(index + 1) + " cannot be decoded: the file is damaged.");
        splitBgra(pixels, canvas);
        if (!visit(index, canvas))
            return;
    }
}

// A picture without animation, decoded into `picture`'s raster (of the canvas size).
void decodeStill(std::span<const std::uint8_t> bytes, const WebPBitstreamFeatures& features,
                 DecodedPicture& picture) {
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        fail("The decoder cannot be set up.");
    const std::size_t width = static_cast<std::size_t>(picture.colour.width());
    const std::size_t height = static_cast<std::size_t>(picture.colour.height());
    std::vector<std::uint8_t> bgra;
    config.output.is_external_memory = 1;
    if (features.has_alpha) {
        bgra.resize(width * height * 4);
        config.output.colorspace = MODE_BGRA;  // not premultiplied
        config.output.u.RGBA.rgba = bgra.data();
        config.output.u.RGBA.stride = static_cast<int>(width * 4);
        config.output.u.RGBA.size = bgra.size();
    } else {
        config.output.colorspace = MODE_BGR;
        config.output.u.RGBA.rgba = picture.colour.storageRow(0);
        config.output.u.RGBA.stride = static_cast<int>(width * 3);
        config.output.u.RGBA.size = width * height * 3;
    }
    const VP8StatusCode status = WebPDecode(bytes.data(), bytes.size(), &config);
    WebPFreeDecBuffer(&config.output);
    if (status != VP8_STATUS_OK)
        fail("The picture cannot be decoded: the file is damaged.");
    if (features.has_alpha)
        splitBgra(bgra.data(), picture);
}

}  // namespace

DecodedPicture decodeWebp(std::span<const std::uint8_t> bytes) {
    const AnimationOutline outline = readOutline(bytes);
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(bytes.data(), bytes.size(), &features) != VP8_STATUS_OK)
        fail("The file is damaged.");
    if (!features.has_animation && features.width == outline.width &&
        features.height == outline.height) {
        DecodedPicture still{Raster(outline.width, outline.height, colors::black), {}};
        decodeStill(bytes, features, still);
        dropAlphaWhenOpaque(still);
        return still;
    }
    DecodedPicture first;
    compose(bytes, outline, [&](int, const DecodedPicture& canvas) {
        first = canvas;
        return false;
    });
    dropAlphaWhenOpaque(first);
    return first;
}

AnimationOutline readWebpOutline(std::span<const std::uint8_t> bytes) {
    return readOutline(bytes);
}

void composeWebpFrames(std::span<const std::uint8_t> bytes, const ComposedFrameVisitor& visit) {
    compose(bytes, readOutline(bytes), visit);
}

}  // namespace felmo
