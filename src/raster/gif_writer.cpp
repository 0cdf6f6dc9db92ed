#include "raster/gif_writer.hpp"

#include <gif_lib.h>
#include <libimagequant.h>

#include <memory>
#include <new>
#include <optional>
#include <string>
#include <unordered_map>

#include "base/error.hpp"
#include "raster/animation_frames.hpp"

namespace felmo {
namespace {

// Full dithering turns smooth gradients into visible noise at this size; none bands them.
constexpr float kDitheringLevel = 0.5f;
// libimagequant's speed 1 (slowest, best) ... 10. At 8 a 176 x 208 photograph takes about a
// fifth of the time it takes at 5, for about 1 dB less (still far above 30 dB).
constexpr int kQuantiserSpeed = 8;
constexpr int kMaxDelay = 65535;
constexpr int kMaxSide = 65535;

[[noreturn]] void fail(const std::string& what) {
    throw Error("Cannot write GIF data. " + what + ".");
}

struct AttrDeleter {
    void operator()(liq_attr* attr) const { liq_attr_destroy(attr); }
};
struct ImageDeleter {
    void operator()(liq_image* image) const { liq_image_destroy(image); }
};
struct ResultDeleter {
    void operator()(liq_result* result) const { liq_result_destroy(result); }
};
struct MapDeleter {
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};

// One frame reduced to palette indices.
struct IndexedFrame {
    std::vector<std::uint8_t> indices;  // width * height, row 0 at the top
    std::unique_ptr<ColorMapObject, MapDeleter> palette;
};

// A GIF colour table of `count` colours, rounded up to a power of two (at least two) with black.
std::unique_ptr<ColorMapObject, MapDeleter> colourTable(int count) {
    int tableSize = 2;
    while (tableSize < count)
        tableSize *= 2;
    std::unique_ptr<ColorMapObject, MapDeleter> table{GifMakeMapObject(tableSize, nullptr)};
    if (!table)
        throw std::bad_alloc();
    for (int i = 0; i < tableSize; ++i)
        table->Colors[i] = GifColorType{0, 0, 0};
    return table;
}

// A frame of at most 256 colours keeps them exactly; nullopt when it has more.
std::optional<IndexedFrame> exactColours(const Raster& picture) {
    std::unordered_map<std::uint32_t, std::uint8_t> indexOf;
    std::vector<std::uint32_t> colours;
    IndexedFrame frame;
    frame.indices.reserve(static_cast<std::size_t>(picture.width()) *
                          static_cast<std::size_t>(picture.height()));
    for (int y = 0; y < picture.height(); ++y) {
        const std::uint8_t* in = picture.storageRow(y);
        for (int x = 0; x < picture.width(); ++x, in += 3) {
            const std::uint32_t key = in[2] | in[1] << 8 | std::uint32_t{in[0]} << 16;
            auto [at, added] = indexOf.try_emplace(key, static_cast<std::uint8_t>(colours.size()));
            if (added) {
                if (colours.size() == 256)
                    return std::nullopt;
                colours.push_back(key);
            }
            frame.indices.push_back(at->second);
        }
    }
    frame.palette = colourTable(static_cast<int>(colours.size()));
    for (std::size_t i = 0; i < colours.size(); ++i)
        frame.palette->Colors[i] = GifColorType{static_cast<GifByteType>(colours[i]),
                                                static_cast<GifByteType>(colours[i] >> 8),
                                                static_cast<GifByteType>(colours[i] >> 16)};
    return frame;
}

// A frame of more colours gets the 256 libimagequant chooses for it, lightly dithered.
IndexedFrame quantise(liq_attr* attr, const Raster& picture) {
    const int width = picture.width();
    const int height = picture.height();
    const std::size_t pixelCount =
        static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    std::vector<std::uint8_t> rgba(pixelCount * 4);
    std::uint8_t* out = rgba.data();
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* in = picture.storageRow(y);
        for (int x = 0; x < width; ++x, in += 3, out += 4) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
            out[3] = 255;
        }
    }
    std::unique_ptr<liq_image, ImageDeleter> image{
        liq_image_create_rgba(attr, rgba.data(), width, height, 0)};
    if (!image)
        fail("the palette library refused the picture");
    liq_result* rawResult = nullptr;
    if (liq_image_quantize(image.get(), attr, &rawResult) != LIQ_OK)
        fail("no palette could be made for a frame");
    std::unique_ptr<liq_result, ResultDeleter> result{rawResult};
    liq_set_dithering_level(result.get(), kDitheringLevel);

    IndexedFrame frame;
    frame.indices.resize(pixelCount);
    if (liq_write_remapped_image(result.get(), image.get(), frame.indices.data(), pixelCount) !=
        LIQ_OK)
        fail("a frame could not be mapped to its palette");

    const liq_palette* palette = liq_get_palette(result.get());
    frame.palette = colourTable(static_cast<int>(palette->count));
    for (unsigned i = 0; i < palette->count; ++i)
        frame.palette->Colors[i] =
            GifColorType{palette->entries[i].r, palette->entries[i].g, palette->entries[i].b};
    return frame;
}

int appendBytes(GifFileType* gif, const GifByteType* data, int length) {
    auto* bytes = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
    try {
        bytes->insert(bytes->end(), data, data + length);
    } catch (const std::bad_alloc&) {
        return 0;  // giflib reports a write error
    }
    return length;
}

struct GifCloser {
    void operator()(GifFileType* gif) const {
        int ignored = 0;
        EGifCloseFile(gif, &ignored);
    }
};

std::string errorText(int code) {
    const char* text = GifErrorString(code);
    return text != nullptr ? text : "giflib error " + std::to_string(code);
}

void check(GifFileType* gif, int status) {
    if (status != GIF_OK)
        fail(errorText(gif->Error));
}

void putLoopForEver(GifFileType* gif) {
    static const GifByteType kApplication[] = {'N', 'E', 'T', 'S', 'C', 'A',
                                               'P', 'E', '2', '.', '0'};
    static const GifByteType kLoopCount[] = {1, 0, 0};  // sub-block 1, count 0: for ever
    check(gif, EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE));
    check(gif, EGifPutExtensionBlock(gif, sizeof kApplication, kApplication));
    check(gif, EGifPutExtensionBlock(gif, sizeof kLoopCount, kLoopCount));
    check(gif, EGifPutExtensionTrailer(gif));
}

void putFrame(GifFileType* gif, IndexedFrame& frame, int width, int height, int delay) {
    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSE_DO_NOT;
    control.UserInputFlag = false;
    control.DelayTime = delay;
    control.TransparentColor = NO_TRANSPARENT_COLOR;
    GifByteType extension[4];
    const std::size_t extensionSize = EGifGCBToExtension(&control, extension);
    check(gif, EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(extensionSize),
                                extension));
    check(gif, EGifPutImageDesc(gif, 0, 0, width, height, false, frame.palette.get()));
    for (int y = 0; y < height; ++y)
        check(gif,
              EGifPutLine(gif, frame.indices.data() + static_cast<std::size_t>(y) * width, width));
}

}  // namespace

std::vector<std::uint8_t> encodeLoopingGif(std::span<const GifFrame> frames) {
    if (const std::optional<std::string> problem = animationFramesProblem(frames, kMaxSide))
        fail(*problem);
    const int width = frames.front().picture->width();
    const int height = frames.front().picture->height();
    for (const GifFrame& frame : frames) {
        if (frame.delayCentiseconds < 0 || frame.delayCentiseconds > kMaxDelay)
            fail("a frame delay of " + std::to_string(frame.delayCentiseconds) +
                 " hundredths of a second is out of range");
    }

    std::unique_ptr<liq_attr, AttrDeleter> attr{liq_attr_create()};
    if (!attr)
        throw std::bad_alloc();
    liq_set_speed(attr.get(), kQuantiserSpeed);
    liq_set_max_colors(attr.get(), 256);

    std::vector<std::uint8_t> bytes;
    int openError = 0;
    std::unique_ptr<GifFileType, GifCloser> gif{EGifOpen(&bytes, appendBytes, &openError)};
    if (!gif)
        fail(errorText(openError));
    EGifSetGifVersion(gif.get(), true);
    check(gif.get(), EGifPutScreenDesc(gif.get(), width, height, 8, 0, nullptr));
    putLoopForEver(gif.get());
    for (const GifFrame& frame : frames) {
        std::optional<IndexedFrame> exact = exactColours(*frame.picture);
        IndexedFrame indexed = exact ? std::move(*exact) : quantise(attr.get(), *frame.picture);
        putFrame(gif.get(), indexed, width, height, frame.delayCentiseconds);
    }
    int closeError = 0;
    const int closed = EGifCloseFile(gif.release(), &closeError);
    if (closed != GIF_OK)
        fail(errorText(closeError));
    return bytes;
}

}  // namespace felmo
