// JPEG decoding through libjpeg. The library reports fatal errors by calling error_exit, which
// must not return: ours jumps back into runDecoder, the one function that calls setjmp. That
// function keeps only plain C values (the library's structs, a malloc'd buffer), so nothing with
// a destructor is ever jumped over; decodeJpeg turns its outcome into a Raster or a felmo::Error.
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <jerror.h>
#include <jpeglib.h>

#include "base/error.hpp"
#include "platform/file_io.hpp"
#include "raster/jpeg.hpp"
#include "raster/picture_limits.hpp"

namespace felmo {
namespace {

// Enough for the coefficient buffers of a progressive picture at the largest accepted size.
constexpr long kLibraryMemoryLimit = 512L << 20;

struct ErrorManager {
    jpeg_error_mgr library;
    std::jmp_buf jump;
    int dataRanOut;  // the compressed data ended inside the picture
};

void exitThroughJump(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

// Warnings are not printed; running out of data inside the picture is remembered, because it
// leaves part of the picture undecoded.
void noteWarning(j_common_ptr info, int level) {
    if (level >= 0)
        return;
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    if (errors->library.msg_code == JWRN_HIT_MARKER)
        errors->dataRanOut = 1;
    ++errors->library.num_warnings;
}

void discardMessage(j_common_ptr) {}

enum class Layout { Bgr, GreyIndex, Cmyk };

// The outcome of one decode in plain C terms.
struct DecodedPixels {
    unsigned char* pixels;  // malloc'd, height rows of width * channels bytes
    int width;
    int height;
    int channels;
    Layout layout;
    int cmykInverted;  // Adobe's CMYK is stored inverted
    int paletteSize;
    unsigned char greyLevels[256];
    long long refusedWidth;  // set with refusedHeight when the size is beyond the picture limit
    long long refusedHeight;
    int dataRanOut;
    char message[JMSG_LENGTH_MAX + 128];
};

bool runDecoder(const unsigned char* data, unsigned long size, DecodedPixels* out) {
    jpeg_decompress_struct info;
    ErrorManager errors;
    info.err = jpeg_std_error(&errors.library);
    errors.library.error_exit = exitThroughJump;
    errors.library.emit_message = noteWarning;
    errors.library.output_message = discardMessage;
    errors.dataRanOut = 0;
    if (setjmp(errors.jump) != 0) {
        errors.library.format_message(reinterpret_cast<j_common_ptr>(&info), out->message);
        jpeg_destroy_decompress(&info);
        std::free(out->pixels);
        out->pixels = nullptr;
        return false;
    }
    jpeg_create_decompress(&info);
    info.mem->max_memory_to_use = kLibraryMemoryLimit;
    jpeg_mem_src(&info, data, size);
    jpeg_read_header(&info, TRUE);

    const unsigned long long width = info.image_width, height = info.image_height;
    if (!pictureSizeFits(static_cast<long long>(width), static_cast<long long>(height))) {
        out->refusedWidth = static_cast<long long>(width);
        out->refusedHeight = static_cast<long long>(height);
        jpeg_destroy_decompress(&info);
        return false;
    }

    info.scale_num = 1;
    info.scale_denom = 1;
    info.dct_method = JDCT_DEFAULT;
    info.do_fancy_upsampling = TRUE;
    info.do_block_smoothing = TRUE;
    if (info.num_components == 1) {
        out->layout = Layout::GreyIndex;
        info.out_color_space = JCS_GRAYSCALE;
        info.quantize_colors = TRUE;
        info.desired_number_of_colors = 236;
    } else if (info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK) {
        out->layout = Layout::Cmyk;
        info.out_color_space = JCS_CMYK;
    } else {
        out->layout = Layout::Bgr;
        info.out_color_space = JCS_EXT_BGR;
    }
    jpeg_start_decompress(&info);

    const int expectedChannels = out->layout == Layout::Bgr    ? 3
                                 : out->layout == Layout::Cmyk ? 4
                                                               : 1;
    if (info.output_components != expectedChannels) {
        std::snprintf(out->message, sizeof out->message,
                      "Pictures with %d colour components are not supported",
                      info.output_components);
        jpeg_destroy_decompress(&info);
        return false;
    }
    out->width = static_cast<int>(info.output_width);
    out->height = static_cast<int>(info.output_height);
    out->channels = expectedChannels;
    out->cmykInverted = info.saw_Adobe_marker ? 1 : 0;
    const std::size_t stride = static_cast<std::size_t>(out->width) * out->channels;
    out->pixels = static_cast<unsigned char*>(
        std::malloc(stride * static_cast<std::size_t>(out->height) + 1));
    if (out->pixels == nullptr) {
        std::snprintf(out->message, sizeof out->message, "Out of memory");
        jpeg_destroy_decompress(&info);
        return false;
    }
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = out->pixels + stride * info.output_scanline;
        jpeg_read_scanlines(&info, &row, 1);
    }
    if (out->layout == Layout::GreyIndex) {
        out->paletteSize = info.actual_number_of_colors;
        for (int i = 0; i < info.actual_number_of_colors && i < 256; ++i)
            out->greyLevels[i] = info.colormap[0][i];
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    out->dataRanOut = errors.dataRanOut;
    return true;
}

struct InvalidJpeg {
    std::string detail;
};

class PixelBuffer {
  public:
    explicit PixelBuffer(DecodedPixels& decoded) : decoded_(decoded) {}
    ~PixelBuffer() { std::free(decoded_.pixels); }
    PixelBuffer(const PixelBuffer&) = delete;
    PixelBuffer& operator=(const PixelBuffer&) = delete;

  private:
    DecodedPixels& decoded_;
};

Raster toRaster(const DecodedPixels& decoded) {
    Raster raster(decoded.width, decoded.height, colors::black);
    const std::size_t width = static_cast<std::size_t>(decoded.width);
    const std::size_t stride = width * decoded.channels;
    std::vector<Color> palette;
    if (decoded.layout == Layout::GreyIndex) {
        for (int i = 0; i < decoded.paletteSize; ++i)
            palette.push_back(
                rgb(decoded.greyLevels[i], decoded.greyLevels[i], decoded.greyLevels[i]));
    }
    for (int y = 0; y < decoded.height; ++y) {
        const unsigned char* in = decoded.pixels + stride * y;
        std::uint8_t* out = raster.storageRow(y);
        switch (decoded.layout) {
            case Layout::Bgr:
                std::memcpy(out, in, stride);
                break;
            case Layout::GreyIndex:
                for (std::size_t x = 0; x < width; ++x) {
                    const unsigned index = in[x];
                    const std::uint8_t level =
                        index < palette.size() ? decoded.greyLevels[index] : 0;
                    out[x * 3] = out[x * 3 + 1] = out[x * 3 + 2] = level;
                }
                break;
            case Layout::Cmyk:
                for (std::size_t x = 0; x < width; ++x, in += 4, out += 3) {
                    unsigned c = in[0], m = in[1], yellow = in[2], k = in[3];
                    if (!decoded.cmykInverted) {
                        c = 255 - c;
                        m = 255 - m;
                        yellow = 255 - yellow;
                        k = 255 - k;
                    }
                    out[0] = static_cast<std::uint8_t>((yellow * k + 127) / 255);
                    out[1] = static_cast<std::uint8_t>((m * k + 127) / 255);
                    out[2] = static_cast<std::uint8_t>((c * k + 127) / 255);
                }
                break;
        }
    }
    if (decoded.layout == Layout::GreyIndex)
        raster.setSourceFormat(PixelFormat::Bits8, std::move(palette));
    return raster;
}

Raster decodeOrFail(std::span<const std::uint8_t> bytes) {
    DecodedPixels decoded{};
    const bool decodedWell =
        runDecoder(bytes.data(), static_cast<unsigned long>(bytes.size()), &decoded);
    PixelBuffer release(decoded);
    if (!decodedWell && (decoded.refusedWidth != 0 || decoded.refusedHeight != 0)) {
        try {
            checkPictureSize(decoded.refusedWidth, decoded.refusedHeight);
        } catch (const Error& tooLarge) {
            throw InvalidJpeg{tooLarge.what()};
        }
    }
    if (!decodedWell)
        throw InvalidJpeg{std::string(decoded.message) + "."};
    if (decoded.dataRanOut)
        throw InvalidJpeg{"The picture data ends early: the file is truncated or damaged."};
    return toRaster(decoded);
}

}  // namespace

Raster decodeJpeg(std::span<const std::uint8_t> bytes) {
    try {
        return decodeOrFail(bytes);
    } catch (const InvalidJpeg& invalid) {
        throw Error("Invalid JPEG data. " + invalid.detail);
    }
}

Raster loadJpegFile(const std::filesystem::path& path) {
    return decodeJpegFile(path, readWholeFile(path));
}

Raster decodeJpegFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    try {
        return decodeOrFail(bytes);
    } catch (const InvalidJpeg& invalid) {
        throw Error("Invalid JPEG file \"" + path.string() + "\". " + invalid.detail);
    }
}

}  // namespace felmo
