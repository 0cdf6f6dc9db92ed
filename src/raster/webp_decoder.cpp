// WebP decoding through libwebp. The demuxer checks the container and gives the canvas size and
// the frame durations before anything is decoded.
//
// The first frame alone (what a still needs) is decoded straight into the raster's rows at the
// frame's place on a transparent canvas, with no animation decoder and no picture-sized buffer
// of ours: a frame with transparency is decoded twice, once for its opacities (luma and chroma
// going to the raster's storage as scratch) and once for its colours. libwebp keeps a lossless
// picture whole as 32-bit pixels while it decodes it, so a lossless frame is accepted on a
// canvas of up to kMaxLosslessWebpPixels only.
//
// Every frame in order (an animation) is composed on one canvas of ours, the colours and
// opacities handed to the caller; only a frame with transparency needs a buffer, of its own
// size. libwebp reports errors by return values.
#include <algorithm>
#include <cstdint>
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

// Where `frame` lies on the canvas, once its bitstream is known to fit there; a lossless frame
// on a canvas beyond kMaxLosslessWebpPixels is refused.
FramePlace placeOf(const WebPIterator& frame, const AnimationOutline& outline) {
    const FramePlace place{frame.x_offset, frame.y_offset, frame.width, frame.height};
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(frame.fragment.bytes, frame.fragment.size, &features) != VP8_STATUS_OK ||
        features.width != place.width || features.height != place.height || place.x < 0 ||
        place.y < 0 || place.width <= 0 || place.height <= 0 ||
        place.x + place.width > outline.width || place.y + place.height > outline.height)
        fail("The file is damaged.");
    if (features.format == 2 &&
        std::int64_t{outline.width} * outline.height > kMaxLosslessWebpPixels)
        fail("The lossless picture is " + std::to_string(outline.width) + " x " +
             std::to_string(outline.height) + " pixels, more than the " +
             std::to_string(kMaxLosslessWebpPixels) + " pixels in all that are supported for it.");
    return place;
}

bool fillsCanvas(const FramePlace& place, const AnimationOutline& outline) {
    return place.width == outline.width && place.height == outline.height;
}

// Sets the opacities of the rectangle at `place` to `opacity`.
void fillOpacities(DecodedPicture& picture, const FramePlace& place, std::uint8_t opacity) {
    const auto width = static_cast<std::size_t>(picture.colour.width());
    for (int y = place.y; y < place.y + place.height; ++y)
        std::fill_n(picture.alpha.begin() + static_cast<std::ptrdiff_t>(y * width + place.x),
                    place.width, opacity);
}

std::string cannotDecode(const WebPIterator& frame) {
    return frame.num_frames > 1 ? "Frame " + std::to_string(frame.frame_num) +
                                      " cannot be decoded: the file is damaged."
                                : "The picture cannot be decoded: the file is damaged.";
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
    const FramePlace place = placeOf(first, outline);
    const std::int64_t canvasPixels = std::int64_t{outline.width} * outline.height;

    DecodedPicture picture{Raster(outline.width, outline.height, colors::black), {}};
    const bool fills = fillsCanvas(place, outline);
    if (first.has_alpha || !fills)
        picture.alpha.assign(static_cast<std::size_t>(canvasPixels), 0);
    const bool decoded = (!first.has_alpha || decodeOpacities(first.fragment, place, picture)) &&
                         decodeColours(first.fragment, place, picture);
    if (!decoded)
        fail(cannotDecode(first));
    if (!first.has_alpha && !fills)
        fillOpacities(picture, place, 255);
    dropAlphaWhenOpaque(picture);
    return picture;
}

// A translucent pixel (BGRA, not premultiplied) drawn over the canvas pixel `colour`, `opacity`:
// the covered share of the pixel below is its opacity scaled by 256 - the pixel's own, and each
// channel the two colours weighted by their shares, in the fixed-point steps that players of the
// format share, so that every frame matches what they show.
void drawOver(const std::uint8_t* bgra, std::uint8_t* colour, std::uint8_t& opacity) {
    const unsigned own = bgra[3];
    if (own == 0)
        return;
    const unsigned below = (opacity * (256 - own)) >> 8;
    const unsigned total = own + below;
    const std::uint32_t scale = (std::uint32_t{1} << 24) / total;
    for (int channel = 0; channel < 3; ++channel)
        colour[channel] = static_cast<std::uint8_t>(
            ((bgra[channel] * own + colour[channel] * below) * scale) >> 24);
    opacity = static_cast<std::uint8_t>(total);
}

// The frame's pixels (BGRA, place.width a row) onto the canvas at its place: drawn over what is
// there where `drawsOver` says so for the canvas column and row, put in its place elsewhere.
template <typename DrawsOver>
void putFrame(const std::uint8_t* bgra, const FramePlace& place, DecodedPicture& canvas,
              DrawsOver drawsOver) {
    const auto width = static_cast<std::size_t>(canvas.colour.width());
    for (int y = place.y; y < place.y + place.height; ++y) {
        std::uint8_t* colour = canvas.colour.storageRow(y) + std::size_t(place.x) * 3;
        std::uint8_t* opacity = canvas.alpha.data() + y * width + place.x;
        for (int x = place.x; x < place.x + place.width; ++x, bgra += 4, colour += 3, ++opacity) {
            if (bgra[3] != 255 && drawsOver(x, y)) {
                drawOver(bgra, colour, *opacity);
            } else {
                std::memcpy(colour, bgra, 3);
                *opacity = bgra[3];
            }
        }
    }
}

void clearCanvas(DecodedPicture& canvas) {
    const auto width = static_cast<std::size_t>(canvas.colour.width()) * 3;
    for (int y = 0; y < canvas.colour.height(); ++y)
        std::memset(canvas.colour.storageRow(y), 0, width);
    std::fill(canvas.alpha.begin(), canvas.alpha.end(), std::uint8_t{0});
}

void clearRectangle(DecodedPicture& canvas, const FramePlace& place) {
    for (int y = place.y; y < place.y + place.height; ++y)
        std::memset(canvas.colour.storageRow(y) + std::size_t(place.x) * 3, 0,
                    std::size_t(place.width) * 3);
    fillOpacities(canvas, place, 0);
}

bool inside(const FramePlace& place, int x, int y) {
    return x >= place.x && x < place.x + place.width && y >= place.y && y < place.y + place.height;
}

// Every frame composed in order on one canvas. A frame starts from a clear canvas when nothing
// before it can show through (the first; one that covers the canvas and hides all below it; one
// after a frame that cleared the canvas, or its whole rectangle, when done). A frame that blends
// draws its translucent pixels over the canvas, except where the frame before it was cleared:
// there, and in a frame that does not blend, its pixels replace what was there. An opaque frame
// is decoded straight into the canvas; one with transparency through a buffer of its own size.
void compose(std::span<const std::uint8_t> bytes, const ComposedFrameVisitor& visit) {
    AnimationOutline outline;
    const Demuxer demuxer = openDemuxer(bytes, outline);
    DecodedPicture canvas{
        Raster(outline.width, outline.height, colors::black),
        std::vector<std::uint8_t>(static_cast<std::size_t>(outline.width) * outline.height, 0)};
    std::vector<std::uint8_t> frameBgra;
    DemuxedFrame frame;
    if (!frame.open(demuxer.get(), 1))
        fail("The file is damaged.");
    FramePlace previous;
    bool previousCleared = false;
    bool previousStartedClear = false;
    for (int index = 0;; ++index) {
        const WebPIterator& current = frame.get();
        const FramePlace place = placeOf(current, outline);
        const bool blends = current.blend_method == WEBP_MUX_BLEND;
        const bool startsClear =
            index == 0 || ((!current.has_alpha || !blends) && fillsCanvas(place, outline)) ||
            (previousCleared && (fillsCanvas(previous, outline) || previousStartedClear));
        if (startsClear && index > 0)
            clearCanvas(canvas);
        bool decoded = false;
        if (!current.has_alpha) {
            decoded = decodeColours(current.fragment, place, canvas);
            fillOpacities(canvas, place, 255);
        } else {
            frameBgra.resize(static_cast<std::size_t>(place.width) * place.height * 4);
            WebPDecoderConfig config = newDecoderConfig();
            config.output.colorspace = MODE_BGRA;  // not premultiplied
            config.output.u.RGBA.rgba = frameBgra.data();
            config.output.u.RGBA.stride = place.width * 4;
            config.output.u.RGBA.size = frameBgra.size();
            decoded = decodeInto(current.fragment, config);
            if (decoded) {
                const bool over = blends && !startsClear;
                putFrame(frameBgra.data(), place, canvas, [&](int x, int y) {
                    return over && !(previousCleared && inside(previous, x, y));
                });
            }
        }
        if (!decoded)
            fail(cannotDecode(current));
        if (!visit(index, canvas))
            return;
        previousCleared = current.dispose_method == WEBP_MUX_DISPOSE_BACKGROUND;
        if (previousCleared)
            clearRectangle(canvas, place);
        previous = place;
        previousStartedClear = startsClear;
        if (!WebPDemuxNextFrame(&frame.get()))
            return;
    }
}

}  // namespace

DecodedPicture decodeWebp(std::span<const std::uint8_t> bytes) {
    return decodeFirstFrame(bytes);
}

AnimationOutline readWebpOutline(std::span<const std::uint8_t> bytes) {
    return readOutline(bytes);
}

void composeWebpFrames(std::span<const std::uint8_t> bytes, const ComposedFrameVisitor& visit) {
    compose(bytes, visit);
}

DecodedPicture decodeWebp(ByteSource& source) {
    return decodeWebp(readAll(source));
}

AnimationOutline readWebpOutline(ByteSource& source) {
    return readWebpOutline(readAll(source));
}

void composeWebpFrames(ByteSource& source, const ComposedFrameVisitor& visit) {
    composeWebpFrames(readAll(source), visit);
}

}  // namespace felmo
