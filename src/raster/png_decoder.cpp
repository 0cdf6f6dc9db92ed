// PNG decoding through libpng. The library reports fatal errors by calling our error function,
// which must not return: it longjmps back into runDecoder, the one function that calls setjmp.
// That function keeps only plain C values (the library's structs, a one-row malloc'd scratch), so
// nothing with a destructor is ever jumped over. The picture lives in the caller: runDecoder asks
// for it through a noexcept callback once the size is known and reads each row straight into the
// raster (and the opacities), so a picture costs its raster, its opacities and one row. The file
// is read a piece at a time (piece_reader.hpp); a source that fails is turned into the library's
// error from the read callback, never thrown through the library, and its own error is thrown
// once the library has returned.
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <png.h>

#include "raster/picture_limits.hpp"
#include "raster/piece_reader.hpp"
#include "raster/png.hpp"

namespace felmo {
namespace {

// Where the rows go: `colour` holds height rows of width x 3 bytes (B, G, R), `alpha` (when the
// picture has transparency) height rows of width opacities. Null colour when it cannot be made.
struct PictureRows {
    unsigned char* colour;
    unsigned char* alpha;
};
using RowsOf = PictureRows (*)(void* context, int width, int height, int withAlpha);

// The outcome of one decode in plain C terms.
struct PngOutcome {
    RowsOf rowsOf;
    void* context;
    PieceReader* reader;
    unsigned char* scratch;  // malloc'd, one BGRA row (pictures with transparency)
    unsigned long width;
    unsigned long height;
    int channels;  // 3 or 4
    int tooLarge;
    char message[256];
};

void readFromSource(png_structp png, png_bytep target, png_size_t length) {
    auto* reader = static_cast<PieceReader*>(png_get_io_ptr(png));
    if (reader->read({target, length}) != length)
        png_error(png, reader->failed() ? "The file could not be read"
                                        : "The file ends early: it is truncated or damaged");
}

void failThroughJump(png_structp png, png_const_charp message) {
    auto* outcome = static_cast<PngOutcome*>(png_get_error_ptr(png));
    std::snprintf(outcome->message, sizeof outcome->message, "%s", message);
    png_longjmp(png, 1);
}

void ignoreWarning(png_structp, png_const_charp) {}

bool runDecoder(PngOutcome* out) {
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, out, failThroughJump, ignoreWarning);
    if (png == nullptr) {
        std::snprintf(out->message, sizeof out->message, "Out of memory");
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        std::snprintf(out->message, sizeof out->message, "Out of memory");
        return false;
    }
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, out->reader, readFromSource);
    png_read_info(png, info);

    out->width = png_get_image_width(png, info);
    out->height = png_get_image_height(png, info);
    if (!pictureSizeFits(static_cast<std::int64_t>(out->width),
                         static_cast<std::int64_t>(out->height))) {
        out->tooLarge = 1;
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    const int colourType = png_get_color_type(png, info);
    const bool hasAlpha =
        (colourType & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    // Palette to RGB, grey below 8 bits to 8 bits, a transparency chunk to an alpha channel.
    png_set_expand(png);
    png_set_scale_16(png);
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);

    out->channels = hasAlpha ? 4 : 3;
    const std::size_t stride = static_cast<std::size_t>(out->width) * out->channels;
    if (png_get_rowbytes(png, info) != stride) {
        std::snprintf(out->message, sizeof out->message, "Unsupported pixel layout");
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    const PictureRows rows = out->rowsOf(out->context, static_cast<int>(out->width),
                                         static_cast<int>(out->height), hasAlpha ? 1 : 0);
    if (hasAlpha)
        out->scratch = static_cast<unsigned char*>(std::malloc(stride));
    if (rows.colour == nullptr || (hasAlpha && (rows.alpha == nullptr || out->scratch == nullptr)))
        png_error(png, "Out of memory");
    const std::size_t width = static_cast<std::size_t>(out->width);
    // An interlaced picture comes in several passes over the rows; each pass adds its pixels to
    // what the row holds (or leaves it alone), so a row with opacities is put together again
    // before each of them.
    for (int pass = 0; pass < passes; ++pass)
        for (std::size_t y = 0; y < out->height; ++y) {
            unsigned char* colour = rows.colour + width * 3 * y;
            if (!hasAlpha) {
                png_read_row(png, colour, nullptr);
                continue;
            }
            unsigned char* alpha = rows.alpha + width * y;
            if (passes > 1)  // a pass leaves the pixels of the others as they are
                for (std::size_t x = 0; x < width; ++x) {
                    std::memcpy(out->scratch + x * 4, colour + x * 3, 3);
                    out->scratch[x * 4 + 3] = alpha[x];
                }
            png_read_row(png, out->scratch, nullptr);
            for (std::size_t x = 0; x < width; ++x) {
                std::memcpy(colour + x * 3, out->scratch + x * 4, 3);
                alpha[x] = out->scratch[x * 4 + 3];
            }
        }
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

// Owns what runDecoder reads from and leaves behind: the picture it asked for and the row scratch.
struct DecodeTarget {
    PngOutcome outcome{};
    PieceReader reader;
    DecodedPicture picture;

    explicit DecodeTarget(ByteSource& source) : reader(source) {
        outcome.rowsOf = [](void* context, int width, int height,
                            int withAlpha) noexcept -> PictureRows {
            auto* self = static_cast<DecodeTarget*>(context);
            try {
                self->picture.colour = Raster(width, height, colors::black);
                if (withAlpha)
                    self->picture.alpha.assign(static_cast<std::size_t>(width) * height, 255);
            } catch (...) {
                return {nullptr, nullptr};
            }
            return {self->picture.colour.storageRow(0),
                    withAlpha ? self->picture.alpha.data() : nullptr};
        };
        outcome.context = this;
        outcome.reader = &reader;
    }
    ~DecodeTarget() { std::free(outcome.scratch); }
    DecodeTarget(const DecodeTarget&) = delete;
    DecodeTarget& operator=(const DecodeTarget&) = delete;
};

}  // namespace

DecodedPicture decodePng(std::span<const std::uint8_t> bytes) {
    MemorySource source(bytes);
    return decodePng(source);
}

DecodedPicture decodePng(ByteSource& source) {
    DecodeTarget target(source);
    PngOutcome& decoded = target.outcome;
    const bool decodedWell = runDecoder(&decoded);
    target.reader.rethrowFailure();
    if (decoded.tooLarge) {
        try {
            checkPictureSize(static_cast<std::int64_t>(decoded.width),
                             static_cast<std::int64_t>(decoded.height));
        } catch (const Error& limit) {
            throw InvalidPicture("PNG", limit.what());
        }
    }
    if (!decodedWell)
        throw InvalidPicture("PNG", std::string(decoded.message) + ".");
    DecodedPicture picture = std::move(target.picture);
    dropAlphaWhenOpaque(picture);
    return picture;
}

}  // namespace felmo
