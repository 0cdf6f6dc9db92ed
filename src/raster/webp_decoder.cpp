// WebP decoding through libwebp. Our own walk of the container (raster/webp_container.hpp) checks
// the whole file and gives the canvas size and the frame durations before anything is decoded;
// then each frame's compressed data alone is read from the source and decoded, so the file is
// never held whole.
//
// The first frame alone (what a still needs) is decoded straight into the raster's rows at the
// frame's place on a transparent canvas, with no animation decoder and no picture-sized buffer
// of ours: a frame with transparency is decoded twice, first for its opacities (luma and chroma
// going to a scratch buffer freed before the raster is made), then for its colours alone. libwebp
// keeps a lossless picture whole as 32-bit pixels while it decodes it, so a lossless frame is
// accepted on a canvas of up to kMaxLosslessWebpPixels only.
//
// Every frame in order (an animation) is composed on one canvas of ours, the colours and
// opacities handed to the caller; only a frame with transparency drawn over earlier frames
// needs a buffer, of its own size. libwebp reports errors by return values.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <webp/decode.h>
#include <webp/mux_types.h>

#include "raster/picture_limits.hpp"
#include "raster/webp.hpp"
#include "raster/webp_container.hpp"

namespace felmo {
namespace {

[[noreturn]] void fail(const std::string& detail) {
    throw InvalidPicture("WebP", detail);
}

// The container of a whole, valid file whose canvas is within the pixel limit, and its outline.
WebpContainer openContainer(ByteSource& source, AnimationOutline& outline) {
    WebpContainer container = walkWebpContainer(source, kMaxAnimationFrames);
    try {
        checkPictureSize(container.canvasWidth, container.canvasHeight);
    } catch (const Error& limit) {
        fail(limit.what());
    }
    if (container.frameCount == 0)
        fail("The file holds no picture.");
    if (container.frameCount > kMaxAnimationFrames)
        fail("The animation has more than " + std::to_string(kMaxAnimationFrames) + " frames.");

    outline = AnimationOutline{container.canvasWidth, container.canvasHeight, {}};
    const bool animated = (container.flags & ANIMATION_FLAG) != 0;
    for (const WebpFrameChunks& frame : container.frames)
        outline.delaysMs.push_back(animated ? std::max(frame.durationMs, 0) : 0);
    return container;
}

AnimationOutline readOutline(ByteSource& source) {
    AnimationOutline outline;
    openContainer(source, outline);
    return outline;
}

// The frame's compressed data, in `scratch` unless the source is memory.
WebPData frameData(ByteSource& source, const WebpFrameChunks& frame,
                   std::vector<std::uint8_t>& scratch) {
    const std::span<const std::uint8_t> bytes =
        source.bytesAt(frame.dataOffset, static_cast<std::size_t>(frame.dataSize), scratch);
    return WebPData{bytes.data(), bytes.size()};
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

// What the luma and chroma planes of a frame take: at most 1.5 bytes a pixel.
std::size_t lumaAndChromaBytes(const FramePlace& place) {
    const auto chroma = static_cast<std::size_t>((place.width + 1) / 2) * ((place.height + 1) / 2);
    return static_cast<std::size_t>(place.width) * place.height + 2 * chroma;
}

// The frame's opacities into `opacities` (`canvasWidth` a canvas row) at its place; the luma and
// chroma the library gives beside them go to `scratch` (lumaAndChromaBytes). While it decodes the
// opacities, the library holds 2 to 5 bytes a pixel of its own.
bool decodeOpacities(const WebPData& fragment, const FramePlace& place, int canvasWidth,
                     std::uint8_t* scratch, std::vector<std::uint8_t>& opacities) {
    const std::size_t lumaSize = static_cast<std::size_t>(place.width) * place.height;
    const int chromaWidth = (place.width + 1) / 2;
    const std::size_t chromaSize = static_cast<std::size_t>(chromaWidth) * ((place.height + 1) / 2);

    WebPDecoderConfig config = newDecoderConfig();
    config.output.colorspace = MODE_YUVA;
    WebPYUVABuffer& output = config.output.u.YUVA;
    output.y = scratch;
    output.y_stride = place.width;
    output.y_size = lumaSize;
    output.u = scratch + lumaSize;
    output.u_stride = chromaWidth;
    output.u_size = chromaSize;
    output.v = scratch + lumaSize + chromaSize;
    output.v_stride = chromaWidth;
    output.v_size = chromaSize;
    const std::size_t alphaStart = static_cast<std::size_t>(place.y) * canvasWidth + place.x;
    output.a = opacities.data() + alphaStart;
    output.a_stride = canvasWidth;
    output.a_size = opacities.size() - alphaStart;
    return decodeInto(fragment, config);
}

// The frame's picture chunk without the opacities before it: the colours do not depend on them,
// and the library would decode them again.
WebPData pictureChunk(const WebpFrameChunks& frame, const WebPData& data) {
    const auto skipped = static_cast<std::size_t>(frame.pictureOffset - frame.dataOffset);
    return WebPData{data.bytes + skipped, data.size - skipped};
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

// Whether the frame's opacities are compressed losslessly: the compression method in the low two
// bits of the opacity chunk's first byte is 1.
bool opacitiesLossless(const WebpFrameChunks& frame, const WebPData& data) {
    constexpr std::size_t kAlphaHeaderAt = 8;  // after the chunk's tag and size
    return frame.pictureOffset > frame.dataOffset && data.size > kAlphaHeaderAt &&
           (data.bytes[kAlphaHeaderAt] & 0x03) == 1;
}

// Where `frame` lies on the canvas, once its bitstream is known to fit there. A frame the
// library decodes losslessly, its picture or its opacities, is refused on a canvas beyond
// kMaxLosslessWebpPixels.
FramePlace placeOf(const WebpFrameChunks& frame, const WebPData& data,
                   const AnimationOutline& outline) {
    const FramePlace place{frame.x, frame.y, frame.width, frame.height};
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(data.bytes, data.size, &features) != VP8_STATUS_OK ||
        features.width != place.width || features.height != place.height || place.x < 0 ||
        place.y < 0 || place.width <= 0 || place.height <= 0 ||
        place.x + place.width > outline.width || place.y + place.height > outline.height)
        fail("The file is damaged.");
    const bool losslessPicture = features.format == 2;
    if ((losslessPicture || opacitiesLossless(frame, data)) &&
        std::int64_t{outline.width} * outline.height > kMaxLosslessWebpPixels)
        fail(std::string(losslessPicture ? "The lossless picture"
                                         : "The picture, whose transparency is compressed "
                                           "losslessly,") +
             " is " + std::to_string(outline.width) + " x " + std::to_string(outline.height) +
             " pixels, more than the " + std::to_string(kMaxLosslessWebpPixels) +
             " pixels in all that are supported for it.");
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

std::string cannotDecode(const WebpContainer& container, int index) {
    return container.frameCount > 1
               ? "Frame " + std::to_string(index + 1) + " cannot be decoded: the file is damaged."
               : "The picture cannot be decoded: the file is damaged.";
}

// The first frame as the canvas shows it before any other: the frame at its place, every pixel
// around it transparent black.
DecodedPicture decodeFirstFrame(ByteSource& source) {
    AnimationOutline outline;
    const WebpContainer container = openContainer(source, outline);
    const WebpFrameChunks& first = container.frames.front();
    std::vector<std::uint8_t> compressed;
    const WebPData data = frameData(source, first, compressed);
    const FramePlace place = placeOf(first, data, outline);
    const std::int64_t canvasPixels = std::int64_t{outline.width} * outline.height;

    const bool fills = fillsCanvas(place, outline);
    std::vector<std::uint8_t> opacities;
    if (first.hasAlpha || !fills)
        opacities.assign(static_cast<std::size_t>(canvasPixels), 0);
    if (first.hasAlpha) {
        // before the raster is made, so that the library's own opacity planes are not on top of
        // the whole picture; the scratch is freed first
        std::vector<std::uint8_t> scratch(lumaAndChromaBytes(place));
        if (!decodeOpacities(data, place, outline.width, scratch.data(), opacities))
            fail(cannotDecode(container, 0));
    }
    DecodedPicture picture{Raster(outline.width, outline.height, colors::black),
                           std::move(opacities)};
    if (!decodeColours(pictureChunk(first, data), place, picture))
        fail(cannotDecode(container, 0));
    if (!first.hasAlpha && !fills)
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
// there, and in a frame that does not blend, its pixels replace what was there. An opaque frame,
// and one that starts from a clear canvas, is decoded straight into the canvas; one with
// transparency over earlier frames through a buffer of its own size.
void compose(ByteSource& source, const ComposedFrameVisitor& visit) {
    AnimationOutline outline;
    const WebpContainer container = openContainer(source, outline);
    DecodedPicture canvas{
        Raster(outline.width, outline.height, colors::black),
        std::vector<std::uint8_t>(static_cast<std::size_t>(outline.width) * outline.height, 0)};
    std::vector<std::uint8_t> frameBgra;
    std::vector<std::uint8_t> compressed;
    FramePlace previous;
    bool previousCleared = false;
    bool previousStartedClear = false;
    for (int index = 0; index < container.frameCount; ++index) {
        const WebpFrameChunks& current = container.frames[static_cast<std::size_t>(index)];
        const WebPData data = frameData(source, current, compressed);
        const FramePlace place = placeOf(current, data, outline);
        const bool blends = current.blends;
        const bool startsClear =
            index == 0 || ((!current.hasAlpha || !blends) && fillsCanvas(place, outline)) ||
            (previousCleared && (fillsCanvas(previous, outline) || previousStartedClear));
        if (startsClear && index > 0)
            clearCanvas(canvas);
        bool decoded = false;
        if (!current.hasAlpha) {
            decoded = decodeColours(data, place, canvas);
            fillOpacities(canvas, place, 255);
        } else if (startsClear) {
            // nothing shows through: straight into the canvas as a still is decoded, the luma
            // and chroma going to the raster's storage on the way (black again after)
            std::uint8_t* scratch = canvas.colour.storageRow(0);
            decoded = decodeOpacities(data, place, outline.width, scratch, canvas.alpha);
            std::memset(scratch, 0, lumaAndChromaBytes(place));
            decoded = decoded && decodeColours(pictureChunk(current, data), place, canvas);
        } else {
            frameBgra.resize(static_cast<std::size_t>(place.width) * place.height * 4);
            WebPDecoderConfig config = newDecoderConfig();
            config.output.colorspace = MODE_BGRA;  // not premultiplied
            config.output.u.RGBA.rgba = frameBgra.data();
            config.output.u.RGBA.stride = place.width * 4;
            config.output.u.RGBA.size = frameBgra.size();
            decoded = decodeInto(data, config);
            if (decoded) {
                putFrame(frameBgra.data(), place, canvas, [&](int x, int y) {
                    return blends && !(previousCleared && inside(previous, x, y));
                });
            }
        }
        if (!decoded)
            fail(cannotDecode(container, index));
        if (!visit(index, canvas))
            return;
        previousCleared = current.clearedAfter;
        if (previousCleared)
            clearRectangle(canvas, place);
        previous = place;
        previousStartedClear = startsClear;
    }
}

}  // namespace

DecodedPicture decodeWebp(std::span<const std::uint8_t> bytes) {
    MemorySource source(bytes);
    return decodeFirstFrame(source);
}

AnimationOutline readWebpOutline(std::span<const std::uint8_t> bytes) {
    MemorySource source(bytes);
    return readOutline(source);
}

void composeWebpFrames(std::span<const std::uint8_t> bytes, const ComposedFrameVisitor& visit) {
    MemorySource source(bytes);
    compose(source, visit);
}

DecodedPicture decodeWebp(ByteSource& source) {
    return decodeFirstFrame(source);
}

AnimationOutline readWebpOutline(ByteSource& source) {
    return readOutline(source);
}

void composeWebpFrames(ByteSource& source, const ComposedFrameVisitor& visit) {
    compose(source, visit);
}

}  // namespace felmo
