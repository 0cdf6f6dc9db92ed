// PNG decoding through libpng. The library reports fatal errors by calling our error function,
// which must not return: it longjmps back into runDecoder, the one function that calls setjmp.
// That function keeps only plain C values (the library's structs, malloc'd buffers), so nothing
// with a destructor is ever jumped over; decodePng turns its outcome into pixels or an error.
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <png.h>

#include "raster/picture_limits.hpp"
#include "raster/png.hpp"

namespace felmo {
namespace {

struct MemorySource {
    const unsigned char* data;
    std::size_t size;
    std::size_t position;
};

// The outcome of one decode in plain C terms.
struct PngOutcome {
    unsigned char* pixels;  // malloc'd, height rows of width * channels bytes (BGR or BGRA)
    // malloc'd row pointers; kept here, not in a local, so that the jump back cannot lose them
    unsigned char** rows;
    unsigned long width;
    unsigned long height;
    int channels;  // 3 or 4
    int tooLarge;
    char message[256];
};

void readFromMemory(png_structp png, png_bytep target, png_size_t length) {
    auto* source = static_cast<MemorySource*>(png_get_io_ptr(png));
    if (length > source->size - source->position)
        png_error(png, "The file ends early: it is truncated or damaged");
    std::memcpy(target, source->data + source->position, length);
    source->position += length;
}

void failThroughJump(png_structp png, png_const_charp message) {
    auto* outcome = static_cast<PngOutcome*>(png_get_error_ptr(png));
    std::snprintf(outcome->message, sizeof outcome->message, "%s", message);
    png_longjmp(png, 1);
}

void ignoreWarning(png_structp, png_const_charp) {}

bool runDecoder(const unsigned char* data, std::size_t size, PngOutcome* out) {
    MemorySource source{data, size, 0};
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
        std::free(out->rows);
        out->rows = nullptr;
        std::free(out->pixels);
        out->pixels = nullptr;
        return false;
    }
    png_set_read_fn(png, &source, readFromMemory);
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
    (void)png_set_interlace_handling(png);
    png_read_update_info(png, info);

    out->channels = hasAlpha ? 4 : 3;
    const std::size_t stride = static_cast<std::size_t>(out->width) * out->channels;
    if (png_get_rowbytes(png, info) != stride) {
        std::snprintf(out->message, sizeof out->message, "Unsupported pixel layout");
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    out->pixels = static_cast<unsigned char*>(std::malloc(stride * out->height));
    out->rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * out->height));
    if (out->pixels == nullptr || out->rows == nullptr)
        png_error(png, "Out of memory");
    for (unsigned long y = 0; y < out->height; ++y)
        out->rows[y] = out->pixels + stride * y;
    png_read_image(png, out->rows);
    png_destroy_read_struct(&png, &info, nullptr);
    std::free(out->rows);
    out->rows = nullptr;
    return true;
}

class OutcomeBuffer {
  public:
    explicit OutcomeBuffer(PngOutcome& outcome) : outcome_(outcome) {}
    ~OutcomeBuffer() { std::free(outcome_.pixels); }
    OutcomeBuffer(const OutcomeBuffer&) = delete;
    OutcomeBuffer& operator=(const OutcomeBuffer&) = delete;

  private:
    PngOutcome& outcome_;
};

DecodedPicture toPicture(const PngOutcome& decoded) {
    const int width = static_cast<int>(decoded.width), height = static_cast<int>(decoded.height);
    const std::size_t pixelCount = static_cast<std::size_t>(width) * height;
    DecodedPicture picture{Raster(width, height, colors::black), {}};
    if (decoded.channels == 3) {
        std::memcpy(picture.colour.storageRow(0), decoded.pixels, pixelCount * 3);
        return picture;
    }
    splitBgra(decoded.pixels, picture);
    dropAlphaWhenOpaque(picture);
    return picture;
}

}  // namespace

DecodedPicture decodePng(std::span<const std::uint8_t> bytes) {
    PngOutcome decoded{};
    const bool decodedWell = runDecoder(bytes.data(), bytes.size(), &decoded);
    OutcomeBuffer release(decoded);
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
    return toPicture(decoded);
}

}  // namespace felmo
