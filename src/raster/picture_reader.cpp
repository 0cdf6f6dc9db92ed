#include "raster/picture_reader.hpp"

#include <algorithm>
#include <array>
#include <cstring>

#include "base/utf8_path.hpp"
#include "platform/file_io.hpp"
#include "raster/bmp.hpp"
#include "raster/gif.hpp"
#include "raster/jpeg.hpp"
#include "raster/png.hpp"
#include "raster/webp.hpp"

namespace felmo {
namespace {

constexpr const char* kFormatsRead = "a JPEG, BMP, PNG, GIF or WebP picture";

bool startsWith(std::span<const std::uint8_t> bytes, std::size_t offset, std::string_view magic) {
    return bytes.size() >= offset + magic.size() &&
           std::memcmp(bytes.data() + offset, magic.data(), magic.size()) == 0;
}

// Runs a decoder of bytes; its InvalidPicture becomes the same message naming the file.
template <typename Decode>
auto withFileMessages(const std::filesystem::path& path, Decode decode) {
    try {
        return decode();
    } catch (const InvalidPicture& invalid) {
        throw Error(invalid.fileMessage(path));
    }
}

DecodedPicture decodeKnown(PictureFormat format, ByteSource& source) {
    switch (format) {
        case PictureFormat::Jpeg:
            return DecodedPicture{decodeJpeg(source), {}};
        case PictureFormat::Bmp:
            return DecodedPicture{decodeBmp(source), {}};
        case PictureFormat::Png:
            return decodePng(source);
        case PictureFormat::Gif:
            return decodeGif(source);
        case PictureFormat::WebP:
            return decodeWebp(source);
    }
    throw Error("Unknown picture format.");
}

// The kind of picture the open file holds, from its first bytes; refused if none.
PictureFormat formatOfFile(InputFile& input) {
    constexpr std::uint64_t kLongestSignature = 12;  // "RIFF", the size, "WEBP"
    std::vector<std::uint8_t> scratch;
    const std::optional<PictureFormat> format = pictureFormatOf(input.bytesAt(
        0, static_cast<std::size_t>(std::min(input.size(), kLongestSignature)), scratch));
    if (!format)
        throw Error("Cannot read \"" + utf8FromPath(input.path()) + "\": it is not " +
                    kFormatsRead + ".");
    return *format;
}

}  // namespace

std::optional<PictureFormat> pictureFormatOf(std::span<const std::uint8_t> bytes) {
    if (startsWith(bytes, 0, "\xFF\xD8"))
        return PictureFormat::Jpeg;
    if (startsWith(bytes, 0, "BM"))
        return PictureFormat::Bmp;
    if (startsWith(bytes, 0, "\x89PNG\r\n\x1A\n"))
        return PictureFormat::Png;
    if (startsWith(bytes, 0, "GIF87a") || startsWith(bytes, 0, "GIF89a"))
        return PictureFormat::Gif;
    if (startsWith(bytes, 0, "RIFF") && startsWith(bytes, 8, "WEBP"))
        return PictureFormat::WebP;
    return std::nullopt;
}

std::string_view pictureFormatName(PictureFormat format) {
    switch (format) {
        case PictureFormat::Jpeg:
            return "JPEG";
        case PictureFormat::Bmp:
            return "BMP";
        case PictureFormat::Png:
            return "PNG";
        case PictureFormat::Gif:
            return "GIF";
        case PictureFormat::WebP:
            return "WebP";
    }
    return "";
}

PictureFile::PictureFile(const std::filesystem::path& path)
    : input_(path), format_(formatOfFile(input_)) {}

DecodedPicture decodePictureFile(PictureFile& file) {
    // JPEG and BMP keep their own file messages.
    switch (file.format()) {
        case PictureFormat::Jpeg:
            return DecodedPicture{decodeJpegFile(file.path(), file.source()), {}};
        case PictureFormat::Bmp:
            return DecodedPicture{decodeBmpFile(file.path(), file.source()), {}};
        default:
            return withFileMessages(file.path(),
                                    [&] { return decodeKnown(file.format(), file.source()); });
    }
}

DecodedPicture loadPictureFile(const std::filesystem::path& path) {
    PictureFile file(path);
    return decodePictureFile(file);
}

DecodedPicture decodePicture(std::span<const std::uint8_t> bytes) {
    const std::optional<PictureFormat> format = pictureFormatOf(bytes);
    if (!format)
        throw Error(std::string("Not ") + kFormatsRead + ".");
    MemorySource source(bytes);
    return decodeKnown(*format, source);
}

std::vector<int> frameDelaysMs(PictureFile& file) {
    return animationOutline(file).delaysMs;
}

AnimationOutline animationOutline(PictureFile& file) {
    return withFileMessages(file.path(), [&] {
        switch (file.format()) {
            case PictureFormat::Gif:
                return readGifOutline(file.source());
            case PictureFormat::WebP:
                return readWebpOutline(file.source());
            default:
                return AnimationOutline{0, 0, {0}};
        }
    });
}

void composeFrames(PictureFile& file, const ComposedFrameVisitor& visit) {
    withFileMessages(file.path(), [&] {
        switch (file.format()) {
            case PictureFormat::Gif:
                return composeGifFrames(file.source(), visit);
            case PictureFormat::WebP:
                return composeWebpFrames(file.source(), visit);
            default:
                visit(0, decodePictureFile(file));
                return;
        }
    });
}

}  // namespace felmo
