#include "support/reference_decoders.hpp"

#include <gif_lib.h>
#include <png.h>
#include <webp/demux.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>

namespace felmo::testing {
namespace {

struct MemoryInput {
    std::span<const std::uint8_t> bytes;
    std::size_t at = 0;
};

int readFromMemory(GifFileType* gif, GifByteType* to, int length) {
    auto* input = static_cast<MemoryInput*>(gif->UserData);
    const std::size_t count =
        std::min(static_cast<std::size_t>(length), input->bytes.size() - input->at);
    std::memcpy(to, input->bytes.data() + input->at, count);
    input->at += count;
    return static_cast<int>(count);
}

std::optional<int> netscapeLoopCount(const ExtensionBlock* blocks, int count) {
    for (int i = 0; i + 1 < count; ++i)
        if (blocks[i].Function == APPLICATION_EXT_FUNC_CODE && blocks[i].ByteCount == 11 &&
            std::memcmp(blocks[i].Bytes, "NETSCAPE2.0", 11) == 0 && blocks[i + 1].ByteCount == 3 &&
            blocks[i + 1].Bytes[0] == 1)
            return blocks[i + 1].Bytes[1] | blocks[i + 1].Bytes[2] << 8;
    return std::nullopt;
}

}  // namespace

Raster decodePngForTest(std::span<const std::uint8_t> bytes) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()))
        throw std::runtime_error(std::string("not a PNG: ") + image.message);
    image.format = PNG_FORMAT_BGR;
    Raster raster(static_cast<int>(image.width), static_cast<int>(image.height));
    std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr))
        throw std::runtime_error(std::string("damaged PNG: ") + image.message);
    const std::size_t rowBytes = static_cast<std::size_t>(raster.width()) * 3;
    for (int y = 0; y < raster.height(); ++y)
        std::memcpy(raster.storageRow(y), pixels.data() + y * rowBytes, rowBytes);
    return raster;
}

DecodedAnimation decodeGifForTest(std::span<const std::uint8_t> bytes) {
    MemoryInput input{bytes};
    int error = 0;
    std::unique_ptr<GifFileType, void (*)(GifFileType*)> gif{
        DGifOpen(&input, readFromMemory, &error), [](GifFileType* file) {
            int ignored = 0;
            DGifCloseFile(file, &ignored);
        }};
    if (!gif)
        throw std::runtime_error("not a GIF");
    if (DGifSlurp(gif.get()) != GIF_OK)
        throw std::runtime_error("damaged GIF");

    DecodedAnimation animation;
    animation.width = gif->SWidth;
    animation.height = gif->SHeight;
    Raster canvas(animation.width, animation.height, colors::black);
    for (int i = 0; i < gif->ImageCount; ++i) {
        const SavedImage& image = gif->SavedImages[i];
        if (!animation.loopCount)
            animation.loopCount =
                netscapeLoopCount(image.ExtensionBlocks, image.ExtensionBlockCount);
        GraphicsControlBlock control{};
        control.TransparentColor = NO_TRANSPARENT_COLOR;
        DGifSavedExtensionToGCB(gif.get(), i, &control);
        if (control.TransparentColor != NO_TRANSPARENT_COLOR ||
            (control.DisposalMode != DISPOSE_DO_NOT &&
             control.DisposalMode != DISPOSAL_UNSPECIFIED))
            throw std::runtime_error("frame composition this reader does not do");
        const ColorMapObject* map =
            image.ImageDesc.ColorMap != nullptr ? image.ImageDesc.ColorMap : gif->SColorMap;
        if (map == nullptr || image.ImageDesc.Interlace)
            throw std::runtime_error("frame without colours or interlaced");
        const GifImageDesc& place = image.ImageDesc;
        for (int y = 0; y < place.Height; ++y)
            for (int x = 0; x < place.Width; ++x) {
                const int index = image.RasterBits[y * place.Width + x];
                if (index >= map->ColorCount)
                    throw std::runtime_error("colour index outside the table");
                const GifColorType& c = map->Colors[index];
                canvas.setPixel(place.Left + x, place.Top + y, rgb(c.Red, c.Green, c.Blue));
            }
        animation.frames.push_back(canvas);
        animation.delays.push_back(control.DelayTime);
    }
    return animation;
}

DecodedAnimation decodeWebpForTest(std::span<const std::uint8_t> bytes) {
    WebPData data{bytes.data(), bytes.size()};
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options))
        throw std::runtime_error("libwebp version mismatch");
    options.color_mode = MODE_BGRA;
    std::unique_ptr<WebPAnimDecoder, void (*)(WebPAnimDecoder*)> decoder{
        WebPAnimDecoderNew(&data, &options), WebPAnimDecoderDelete};
    if (!decoder)
        throw std::runtime_error("not a WebP");
    WebPAnimInfo info;
    if (!WebPAnimDecoderGetInfo(decoder.get(), &info))
        throw std::runtime_error("damaged WebP");

    DecodedAnimation animation;
    animation.width = static_cast<int>(info.canvas_width);
    animation.height = static_cast<int>(info.canvas_height);
    // A still WebP has no animation chunk and plays once.
    std::unique_ptr<WebPDemuxer, void (*)(WebPDemuxer*)> demuxer{WebPDemux(&data), WebPDemuxDelete};
    if (demuxer && (WebPDemuxGetI(demuxer.get(), WEBP_FF_FORMAT_FLAGS) & ANIMATION_FLAG))
        animation.loopCount = static_cast<int>(info.loop_count);
    int previousTimestamp = 0;
    while (WebPAnimDecoderHasMoreFrames(decoder.get())) {
        std::uint8_t* pixels = nullptr;
        int timestamp = 0;
        if (!WebPAnimDecoderGetNext(decoder.get(), &pixels, &timestamp))
            throw std::runtime_error("damaged WebP frame");
        Raster frame(animation.width, animation.height);
        for (int y = 0; y < animation.height; ++y) {
            const std::uint8_t* in = pixels + static_cast<std::size_t>(y) * animation.width * 4;
            std::uint8_t* out = frame.storageRow(y);
            for (int x = 0; x < animation.width; ++x, in += 4, out += 3) {
                if (in[3] != 255)
                    throw std::runtime_error("a pixel is not opaque");
                std::memcpy(out, in, 3);
            }
        }
        animation.frames.push_back(std::move(frame));
        animation.delays.push_back(timestamp - previousTimestamp);
        previousTimestamp = timestamp;
    }
    return animation;
}

std::vector<std::vector<std::uint8_t>> composeWebpCanvasesForTest(
    std::span<const std::uint8_t> bytes) {
    WebPData data{bytes.data(), bytes.size()};
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options))
        throw std::runtime_error("libwebp version mismatch");
    options.color_mode = MODE_BGRA;
    options.use_threads = 0;
    std::unique_ptr<WebPAnimDecoder, void (*)(WebPAnimDecoder*)> decoder{
        WebPAnimDecoderNew(&data, &options), WebPAnimDecoderDelete};
    WebPAnimInfo info;
    if (!decoder || !WebPAnimDecoderGetInfo(decoder.get(), &info))
        throw std::runtime_error("not a WebP");
    const std::size_t canvasBytes = std::size_t{info.canvas_width} * info.canvas_height * 4;
    std::vector<std::vector<std::uint8_t>> canvases;
    while (WebPAnimDecoderHasMoreFrames(decoder.get())) {
        std::uint8_t* pixels = nullptr;
        int timestamp = 0;
        if (!WebPAnimDecoderGetNext(decoder.get(), &pixels, &timestamp))
            throw std::runtime_error("damaged WebP frame");
        canvases.emplace_back(pixels, pixels + canvasBytes);
    }
    return canvases;
}

std::string differenceFromPhoneAnimation(const DecodedAnimation& animation,
                                         const std::vector<int>& delays) {
    std::string difference;
    if (animation.width != 176 || animation.height != 208)
        difference += "canvas " + std::to_string(animation.width) + " x " +
                      std::to_string(animation.height) + "; ";
    if (animation.loopCount != 0)
        difference += animation.loopCount ? "loops " + std::to_string(*animation.loopCount) + "; "
                                          : "plays once; ";
    if (animation.delays != delays) {
        difference += "delays";
        for (int delay : animation.delays)
            difference += " " + std::to_string(delay);
        difference += "; ";
    }
    if (animation.frames.size() != delays.size())
        difference += std::to_string(animation.frames.size()) + " frames; ";
    return difference;
}

double psnr(const Raster& a, const Raster& b) {
    if (a.width() != b.width() || a.height() != b.height())
        throw std::runtime_error("rasters of different sizes");
    double squaredError = 0;
    for (int y = 0; y < a.height(); ++y) {
        const std::uint8_t* p = a.storageRow(y);
        const std::uint8_t* q = b.storageRow(y);
        for (int i = 0; i < a.width() * 3; ++i) {
            const double difference = static_cast<double>(p[i]) - q[i];
            squaredError += difference * difference;
        }
    }
    const double meanSquaredError = squaredError / (3.0 * a.width() * a.height());
    if (meanSquaredError == 0)
        return std::numeric_limits<double>::infinity();
    return 10.0 * std::log10(255.0 * 255.0 / meanSquaredError);
}

}  // namespace felmo::testing
