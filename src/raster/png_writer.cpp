// PNG encoding through libpng. The library reports fatal errors through png_error, which jumps
// back into writeRows, the one function that calls setjmp. That function keeps only plain C
// values, so nothing with a destructor is ever jumped over; the output callback never lets a C++
// exception into the library.
#include "raster/png_writer.hpp"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>

#include "base/error.hpp"
#include "platform/file_io.hpp"

namespace felmo {
namespace {

constexpr std::size_t kMessageSize = 256;

// Where the library's output goes; a plain struct so that it can live across the jump.
struct Output {
    std::vector<std::uint8_t>* bytes;
    char message[kMessageSize];
};

void keepMessage(png_structp png, png_const_charp text) {
    auto* output = static_cast<Output*>(png_get_error_ptr(png));
    std::snprintf(output->message, sizeof output->message, "%s", text);
    png_longjmp(png, 1);
}

void ignoreWarning(png_structp, png_const_charp) {}

void appendBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* output = static_cast<Output*>(png_get_io_ptr(png));
    bool stored = true;
    try {
        output->bytes->insert(output->bytes->end(), data, data + length);
    } catch (const std::bad_alloc&) {
        stored = false;
    }
    if (!stored)
        png_error(png, "Out of memory");
}

void flushNothing(png_structp) {}

// Writes height rows of width * 3 bytes (blue, green, red) into output. Returns 1 on success,
// 0 with output->message set on failure.
int writeRows(const png_byte* const* rows, png_uint_32 width, png_uint_32 height, Output* output) {
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, output, keepMessage, ignoreWarning);
    if (png == nullptr) {
        std::snprintf(output->message, sizeof output->message, "Out of memory");
        return 0;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        std::snprintf(output->message, sizeof output->message, "Out of memory");
        return 0;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return 0;
    }
    png_set_write_fn(png, output, appendBytes, flushNothing);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_bgr(png);
    png_write_image(png, const_cast<png_bytepp>(rows));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return 1;
}

}  // namespace

std::vector<std::uint8_t> encodePng(const Raster& raster) {
    if (raster.empty())
        throw Error("An empty picture cannot be written as a PNG file.");
    if (!raster.is24Bit())
        throw Error("Only 24-bit pictures are written as PNG files; convert the picture first.");
    std::vector<const png_byte*> rows(static_cast<std::size_t>(raster.height()));
    for (int y = 0; y < raster.height(); ++y)
        rows[static_cast<std::size_t>(y)] = raster.storageRow(y);

    std::vector<std::uint8_t> bytes;
    Output output{&bytes, {}};
    if (!writeRows(rows.data(), static_cast<png_uint_32>(raster.width()),
                   static_cast<png_uint_32>(raster.height()), &output))
        throw Error(std::string("Cannot write PNG data. ") + output.message + ".");
    return bytes;
}

void savePngFile(const Raster& raster, const std::filesystem::path& path) {
    writeEncodedFileAtomically(path, [&raster] { return encodePng(raster); });
}

}  // namespace felmo
