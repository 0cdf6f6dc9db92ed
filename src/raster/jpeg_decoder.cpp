// JPEG decoding through libjpeg. The library reports fatal errors by calling error_exit, which
// must not return: ours jumps back into runDecoder, the one function that calls setjmp. That
// function keeps only plain C values (the library's structs, a one-row malloc'd scratch), so
// nothing with a destructor is ever jumped over. The raster lives in the caller: runDecoder asks
// for it through a noexcept callback once the size is known and writes the scanlines straight
// into its rows, so a picture costs its raster and one row, never a second copy of itself. The
// file is read a piece at a time (piece_reader.hpp) through a source manager of our own; a source
// that fails stops the library through its error exit, and its own error is thrown once the
// library has returned.
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

#include "base/error.hpp"
#include "base/utf8_path.hpp"
#include "platform/file_io.hpp"
#include "raster/jpeg.hpp"
#include "raster/picture_limits.hpp"
#include "raster/piece_reader.hpp"

namespace felmo {

long jpegLibraryMemoryLimit(std::int64_t width, std::int64_t height) {
    return static_cast<long>(width * height + kJpegLibraryMemoryAllowance);
}

namespace {

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

// The library's input: the source a piece at a time. Past the end, as for data in memory, each
// request is answered with an end-of-picture marker and a warning, so that a truncated file
// decodes as far as it goes and is then noticed (noteWarning).
struct PieceSource {
    jpeg_source_mgr library;
    PieceReader* reader;
};

void startReading(j_decompress_ptr) {}
void endReading(j_decompress_ptr) {}

boolean fillFromSource(j_decompress_ptr info) {
    static const JOCTET kEndMarker[2] = {0xFF, JPEG_EOI};
    auto* source = reinterpret_cast<PieceSource*>(info->src);
    const std::span<const std::uint8_t> piece = source->reader->nextPiece();
    if (!piece.empty()) {
        source->library.next_input_byte = piece.data();
        source->library.bytes_in_buffer = piece.size();
        return TRUE;
    }
    if (source->reader->failed())
        ERREXIT(info, JERR_FILE_READ);
    WARNMS(info, JWRN_JPEG_EOF);
    source->library.next_input_byte = kEndMarker;
    source->library.bytes_in_buffer = sizeof kEndMarker;
    return TRUE;
}

// Skipped bytes still in the source are passed over without being read; beyond its end each
// end-of-picture marker handed out counts as skipped, as when the data is in memory.
void skipInSource(j_decompress_ptr info, long count) {
    if (count <= 0)
        return;
    auto* source = reinterpret_cast<PieceSource*>(info->src);
    std::uint64_t rest = static_cast<unsigned long>(count);
    if (rest > source->library.bytes_in_buffer) {
        rest -= source->library.bytes_in_buffer;
        source->library.bytes_in_buffer = 0;
        const std::uint64_t inSource = std::min(rest, source->reader->remaining());
        source->reader->skip(inSource);
        rest -= inSource;
        while (rest > source->library.bytes_in_buffer) {
            rest -= source->library.bytes_in_buffer;
            fillFromSource(info);
        }
    }
    source->library.next_input_byte += rest;
    source->library.bytes_in_buffer -= rest;
}

enum class Layout { Bgr, GreyIndex, Cmyk };

// Where the decoded rows go: a raster of the given size made by the caller. Returns null when it
// cannot be made; never throws.
using RowsOf = unsigned char* (*)(void* context, int width, int height);

// The outcome of one decode in plain C terms.
struct DecodedPixels {
    RowsOf rowsOf;
    void* context;
    PieceReader* reader;
    unsigned char* scratch;  // malloc'd, one row of width * channels bytes (grey and CMYK only)
    int width;
    int height;
    Layout layout;
    int cmykInverted;  // Adobe's CMYK is stored inverted
    unsigned char greyLevels[256];
    int paletteSize;
    long long refusedWidth;  // set with refusedHeight when the size is beyond the picture limit
    long long refusedHeight;
    int tooMuchMemory;  // the library needed more than its share of the budget
    int dataRanOut;
    char message[JMSG_LENGTH_MAX + 128];
};

// One decoded row from `in` (the library's output) into `out` (width x 3 bytes, B, G, R).
void storeRow(const DecodedPixels& decoded, const unsigned char* in, unsigned char* out) {
    const std::size_t width = static_cast<std::size_t>(decoded.width);
    switch (decoded.layout) {
        case Layout::Bgr:
            break;  // already in place
        case Layout::GreyIndex:
            for (std::size_t x = 0; x < width; ++x) {
                const int index = in[x];
                const unsigned char level =
                    index < decoded.paletteSize ? decoded.greyLevels[index] : 0;
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
                out[0] = static_cast<unsigned char>((yellow * k + 127) / 255);
                out[1] = static_cast<unsigned char>((m * k + 127) / 255);
                out[2] = static_cast<unsigned char>((c * k + 127) / 255);
            }
            break;
    }
}

bool runDecoder(DecodedPixels* out) {
    jpeg_decompress_struct info;
    ErrorManager errors;
    PieceSource source;
    info.err = jpeg_std_error(&errors.library);
    errors.library.error_exit = exitThroughJump;
    errors.library.emit_message = noteWarning;
    errors.library.output_message = discardMessage;
    errors.dataRanOut = 0;
    if (setjmp(errors.jump) != 0) {
        const int code = errors.library.msg_code;
        out->tooMuchMemory = code == JERR_OUT_OF_MEMORY || code == JERR_NO_BACKING_STORE ||
                             code == JERR_TFILE_CREATE;
        errors.library.format_message(reinterpret_cast<j_common_ptr>(&info), out->message);
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    source.reader = out->reader;
    source.library.init_source = startReading;
    source.library.fill_input_buffer = fillFromSource;
    source.library.skip_input_data = skipInSource;
    source.library.resync_to_restart = jpeg_resync_to_restart;
    source.library.term_source = endReading;
    source.library.next_input_byte = nullptr;
    source.library.bytes_in_buffer = 0;
    info.src = &source.library;
    if (out->reader->remaining() == 0)
        ERREXIT(&info, JERR_INPUT_EMPTY);
    jpeg_read_header(&info, TRUE);

    const unsigned long long width = info.image_width, height = info.image_height;
    if (!pictureSizeFits(static_cast<long long>(width), static_cast<long long>(height))) {
        out->refusedWidth = static_cast<long long>(width);
        out->refusedHeight = static_cast<long long>(height);
        jpeg_destroy_decompress(&info);
        return false;
    }
    // A progressive picture keeps every coefficient in the library's memory while it decodes:
    // its share of the budget is what the raster leaves of about 4 bytes a pixel, plus a margin.
    info.mem->max_memory_to_use =
        jpegLibraryMemoryLimit(static_cast<std::int64_t>(width), static_cast<std::int64_t>(height));

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

    const int channels = out->layout == Layout::Bgr ? 3 : out->layout == Layout::Cmyk ? 4 : 1;
    if (info.output_components != channels) {
        std::snprintf(out->message, sizeof out->message,
                      "Pictures with %d colour components are not supported",
                      info.output_components);
        jpeg_destroy_decompress(&info);
        return false;
    }
    out->width = static_cast<int>(info.output_width);
    out->height = static_cast<int>(info.output_height);
    out->cmykInverted = info.saw_Adobe_marker ? 1 : 0;
    if (out->layout == Layout::GreyIndex) {
        // The one-pass quantiser of a single component has its colour map from the start.
        out->paletteSize = info.actual_number_of_colors < 256 ? info.actual_number_of_colors : 256;
        for (int i = 0; i < out->paletteSize; ++i)
            out->greyLevels[i] = info.colormap[0][i];
    }
    const std::size_t rowBytes = static_cast<std::size_t>(out->width) * 3;
    unsigned char* const rows = out->rowsOf(out->context, out->width, out->height);
    if (out->layout != Layout::Bgr)
        out->scratch = static_cast<unsigned char*>(
            std::malloc(static_cast<std::size_t>(out->width) * static_cast<std::size_t>(channels)));
    if (rows == nullptr || (out->layout != Layout::Bgr && out->scratch == nullptr)) {
        std::snprintf(out->message, sizeof out->message, "Out of memory");
        jpeg_destroy_decompress(&info);
        return false;
    }
    while (info.output_scanline < info.output_height) {
        unsigned char* const target = rows + rowBytes * info.output_scanline;
        JSAMPROW row = out->layout == Layout::Bgr ? target : out->scratch;
        if (jpeg_read_scanlines(&info, &row, 1) == 1)
            storeRow(*out, row, target);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    out->dataRanOut = errors.dataRanOut;
    return true;
}

struct InvalidJpeg {
    std::string detail;
};

// Owns what runDecoder reads from and leaves behind: the raster it asked for and the row scratch.
struct DecodeTarget {
    DecodedPixels decoded{};
    PieceReader reader;
    std::optional<Raster> raster;

    explicit DecodeTarget(ByteSource& source) : reader(source) {
        decoded.rowsOf = [](void* context, int width, int height) noexcept -> unsigned char* {
            auto* self = static_cast<DecodeTarget*>(context);
            try {
                self->raster.emplace(width, height, colors::black);
            } catch (...) {
                return nullptr;
            }
            return self->raster->storageRow(0);
        };
        decoded.context = this;
        decoded.reader = &reader;
    }
    ~DecodeTarget() { std::free(decoded.scratch); }
    DecodeTarget(const DecodeTarget&) = delete;
    DecodeTarget& operator=(const DecodeTarget&) = delete;
};

Raster decodeOrFail(ByteSource& source) {
    DecodeTarget target(source);
    DecodedPixels& decoded = target.decoded;
    const bool decodedWell = runDecoder(&decoded);
    target.reader.rethrowFailure();
    if (!decodedWell && (decoded.refusedWidth != 0 || decoded.refusedHeight != 0)) {
        try {
            checkPictureSize(decoded.refusedWidth, decoded.refusedHeight);
        } catch (const Error& tooLarge) {
            throw InvalidJpeg{tooLarge.what()};
        }
    }
    if (!decodedWell && decoded.tooMuchMemory)
        throw InvalidJpeg{
            "Decoding this picture would need more memory than a picture of its size "
            "may use (a progressive picture keeps all its data in memory): " +
            std::string(decoded.message) + "."};
    if (!decodedWell)
        throw InvalidJpeg{std::string(decoded.message) + "."};
    if (decoded.dataRanOut)
        throw InvalidJpeg{"The picture data ends early: the file is truncated or damaged."};
    Raster raster = std::move(*target.raster);
    if (decoded.layout == Layout::GreyIndex) {
        std::vector<Color> palette;
        for (int i = 0; i < decoded.paletteSize; ++i)
            palette.push_back(
                rgb(decoded.greyLevels[i], decoded.greyLevels[i], decoded.greyLevels[i]));
        raster.setSourceFormat(PixelFormat::Bits8, std::move(palette));
    }
    return raster;
}

}  // namespace

Raster decodeJpeg(ByteSource& source) {
    try {
        return decodeOrFail(source);
    } catch (const InvalidJpeg& invalid) {
        throw Error("Invalid JPEG data. " + invalid.detail);
    }
}

Raster decodeJpeg(std::span<const std::uint8_t> bytes) {
    MemorySource source(bytes);
    return decodeJpeg(source);
}

Raster loadJpegFile(const std::filesystem::path& path) {
    InputFile file(path);
    return decodeJpegFile(path, file);
}

Raster decodeJpegFile(const std::filesystem::path& path, ByteSource& source) {
    try {
        return decodeOrFail(source);
    } catch (const InvalidJpeg& invalid) {
        throw Error("Invalid JPEG file \"" + utf8FromPath(path) + "\". " + invalid.detail);
    }
}

Raster decodeJpegFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    MemorySource source(bytes);
    return decodeJpegFile(path, source);
}

}  // namespace felmo
