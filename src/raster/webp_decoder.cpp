// WebP decoding through libwebp. The demuxer checks the container and gives the canvas size and
// the frame durations before anything is decoded.
//
// The first frame alone (what a still needs) is decoded straight into the raster's rows at the
// frame's place on a transparent canvas, with no animation decoder and no picture-sized buffer
// of ours: a frame with transparency is decoded twice, once for its opacities (luma and chroma
// going to the raster's storage as scratch) and once for its colours. libwebp keeps a lossless
// picture whole as 32-bit pixels while it decodes it, so a lossless first frame is accepted up
// to kMaxLosslessWebpPixels only.
//
// Every frame in order (an animation) goes through the library's animation decoder, which
// composes onto its own canvas; that canvas is split into ours frame by frame. libwebp reports
// errors by return values.
#include <algorithm>
#include <cstring>
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
using Demuxer = std::unique_ptr<WebPDemuxer, DemuxerDeleter>;

WebPData asWebpData(std::span<const std::uint8_t> bytes) {
    return WebPData{bytes.data(), bytes.size()};
}

// A frame of the demuxer, released when it goes.
class DemuxedFrame {
  public:
    DemuxedFrame() = default;
    DemuxedFrame(const DemuxedFrame&) = delete;
    DemuxedFrame& operator=(const DemuxedFrame&) = delete;
    ~DemuxedFrame() {
        if (held_)
            WebPDemuxReleaseIterator(&frame_);
    }

    bool open(const WebPDemuxer* demuxer, int number) {
        held_ = WebPDemuxGetFrame(demuxer, number, &frame_) != 0;
        return held_;
    }
    WebPIterator& get() { return frame_; }

  private:
    WebPIterator frame_{};
    bool held_ = false;
};

// The demuxer of a whole, valid file whose canvas is within the pixel limit, and its outline.
Demuxer openDemuxer(std::span<const std::uint8_t> bytes, AnimationOutline& outline) {
    const WebPData data = asWebpData(bytes);
    WebPDemuxState state = WEBP_DEMUX_PARSE_ERROR;
    Demuxer demuxer(WebPDemuxPartial(&data, &state));
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

    outline = AnimationOutline{static_cast<int>(width), static_cast<int>(height), {}};
    const bool animated =
        (WebPDemuxGetI(demuxer.get(), WEBP_FF_FORMAT_FLAGS) & ANIMATION_FLAG) != 0;
    DemuxedFrame frame;
    if (frame.open(demuxer.get(), 1)) {
        do
            outline.delaysMs.push_back(animated ? std::max(frame.get().duration, 0) : 0);
        while (WebPDemuxNextFrame(&frame.get()));
    }
    if (outline.delaysMs.size() != frameCount)
        fail("The file is damaged.");
    return demuxer;
}

AnimationOutline readOutline(std::span<const std::uint8_t> bytes) {
    AnimationOutline outline;
    openDemuxer(bytes, outline);
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

// Where a frame lies on the canvas.
struct FramePlace {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// Decodes `fragment` into `output`, set up by the caller; false when the bitstream is damaged.
bool decodeInto(const WebPData& fragment, WebPDecoderConfig& config) {
    config.output.is_external_memory = 1;
    const VP8StatusCode status = WebPDecode(fragment.bytes, fragment.size, &config);
    WebPFreeDecBuffer(&config.output);
    return status == VP8_STATUS_OK;
}

WebPDecoderConfig newDecoderConfig() {
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        fail("The decoder cannot be set up.");
    return config;
}

// The frame's opacities into `picture.alpha` at its place. The luma and chroma the library
// gives beside them are written to the start of the raster's storage, which is cleared again
// afterwards: they need at most 1.5 bytes a pixel of the frame, the raster holds 3 a pixel of the
// canvas.
bool decodeOpacities(const WebPData& fragment, const FramePlace& place, DecodedPicture& picture) {
    const std::size_t canvasWidth = static_cast<std::size_t>(picture.colour.width());
    const std::size_t lumaSize = static_cast<std::size_t>(place.width) * place.height;
    const int chromaWidth = (place.width + 1) / 2;
    const std::size_t chromaSize = static_cast<std::size_t>(chromaWidth) * ((place.height + 1) / 2);
    std::uint8_t* scratch = picture.colour.storageRow(0);

    WebPDecoderConfig config = newDecoderConfig();
    config.output.colorspace = MODE_YUVA;
    WebPYUVABuffer& planes = config.output.u.YUVA;
    planes.y = scratch;
    planes.y_stride = place.width;
    planes.y_size = lumaSize;
    planes.u = scratch + lumaSize;
    planes.u_stride = chromaWidth;
    planes.u_size = chromaSize;
    planes.v = scratch + lumaSize + chromaSize;
    planes.v_stride = chromaWidth;
    planes.v_size = chromaSize;
    const std::size_t alphaStart = static_cast<std::size_t>(place.y) * canvasWidth + place.x;
    planes.a = picture.alpha.data() + alphaStart;
    planes.a_stride = static_cast<int>(canvasWidth);
    planes.a_size = picture.alpha.size() - alphaStart;
    const bool decoded = decodeInto(fragment, config);
    std::memset(scratch, 0, lumaSize + 2 * chromaSize);  // back to black
    return decoded;
}

// The frame's colours into the raster at its place.
bool decodeColours(const WebPData& fragment, const FramePlace& place, DecodedPicture& picture) {
    const std::size_t rowBytes = static_cast<std::size_t>(picture.colour.width()) * 3;
    const std::size_t start = static_cast<std::size_t>(place.x) * 3;
    WebPDecoderConfig config = newDecoderConfig();
    config.output.colorspace = MODE_BGR;
    config.output.u.RGBA.rgba = picture.colour.storageRow(place.y) + start;
    config.output.u.RGBA.stride = static_cast<int>(rowBytes);
    config.output.u.RGBA.size =
        rowBytes * static_cast<std::size_t>(picture.colour.height() - place.y) - start;
    return decodeInto(fragment, config);
}

// The first frame as the canvas shows it before any other: the frame at its place, every pixel
// around it transparent black.
DecodedPicture decodeFirstFrame(std::span<const std::uint8_t> bytes) {
    AnimationOutline outline;
    const Demuxer demuxer = openDemuxer(bytes, outline);
    DemuxedFrame frame;
    if (!frame.open(demuxer.get(), 1))
        fail("The file is damaged.");
    const WebPIterator& first = frame.get();
    const FramePlace place{first.x_offset, first.y_offset, first.width, first.height};
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(first.fragment.bytes, first.fragment.size, &features) != VP8_STATUS_OK ||
        features.width != place.width || features.height != place.height || place.x < 0 ||
        place.y < 0 || place.width <= 0 || place.height <= 0 ||
        place.x + place.width > outline.width || place.y + place.height > outline.height)
        fail("The file is damaged.");
    const std::int64_t canvasPixels = std::int64_t{outline.width} * outline.height;
    if (features.format == 2 && canvasPixels > kMaxLosslessWebpPixels)
        fail("The lossless picture is " + std::to_string(outline.width) + " x " +
             std::to_string(outline.height) + " pixels, more than the " +
             std::to_string(kMaxLosslessWebpPixels) + " pixels in all that are supported for it.");

    DecodedPicture picture{Raster(outline.width, outline.height, colors::black), {}};
    const bool fillsCanvas = place.width == outline.width && place.height == outline.height;
    if (first.has_alpha || !fillsCanvas)
        picture.alpha.assign(static_cast<std::size_t>(canvasPixels), 0);
    const bool decoded = (!first.has_alpha || decodeOpacities(first.fragment, place, picture)) &&
                         decodeColours(first.fragment, place, picture);
    if (!decoded)
        fail(first.num_frames > 1 ? "Frame 1 cannot be decoded: the file is damaged."
                                  : "The picture cannot be decoded: the file is damaged.");
    if (!first.has_alpha && !fillsCanvas)
        for (int y = place.y; y < place.y + place.height; ++y)
            std::fill_n(picture.alpha.begin() +
                            static_cast<std::ptrdiff_t>(std::size_t(y) * outline.width + place.x),
                        place.width, std::uint8_t{255});
    dropAlphaWhenOpaque(picture);
    return picture;
}

}  // namespace

DecodedPicture decodeWebp(std::span<const std::uint8_t> bytes) {
    return decodeFirstFrame(bytes);
}

AnimationOutline readWebpOutline(std::span<const std::uint8_t> bytes) {
    return readOutline(bytes);
}

void composeWebpFrames(std::span<const std::uint8_t> bytes, const ComposedFrameVisitor& visit) {
    compose(bytes, readOutline(bytes), visit);
}

}  // namespace felmo
