// The 24-bit BMP layout every frame is written in: a 14-byte file header, a 40-byte info header,
// no colour table, then the rows bottom-up, each padded with zeros to a multiple of 4 bytes.
#include <cstring>

#include "base/error.hpp"
#include "platform/file_io.hpp"
#include "raster/bmp.hpp"

namespace felmo {
namespace {

constexpr std::size_t kHeadersSize = 54;

void put16(std::uint8_t* at, std::uint32_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

void put32(std::uint8_t* at, std::uint32_t value) {
    put16(at, value);
    put16(at + 2, value >> 16);
}

}  // namespace

namespace {

// The headers and the rows of a raster's BMP file, handed to `put` in order: the headers, then
// each padded row bottom-up.
void requireTwentyFourBits(const Raster& raster) {
    if (!raster.is24Bit())
        throw Error("Only 24-bit pictures are written as BMP files; convert the picture first.");
}

std::size_t fileSize(const Raster& raster) {
    const std::size_t stride = (static_cast<std::size_t>(raster.width()) * 3 + 3) & ~std::size_t{3};
    return kHeadersSize + stride * static_cast<std::size_t>(raster.height());
}

template <typename Put>
void writeBmp(const Raster& raster, Put&& put) {
    requireTwentyFourBits(raster);
    const std::size_t width = static_cast<std::size_t>(raster.width());
    const std::size_t height = static_cast<std::size_t>(raster.height());
    const std::size_t rowBytes = width * 3;
    const std::size_t stride = (rowBytes + 3) & ~std::size_t{3};
    const std::size_t imageSize = stride * height;

    std::uint8_t header[kHeadersSize] = {};
    header[0] = 'B';
    header[1] = 'M';
    put32(header + 2, static_cast<std::uint32_t>(fileSize(raster)));
    put32(header + 10, kHeadersSize);
    put32(header + 14, 40);
    put32(header + 18, static_cast<std::uint32_t>(width));
    put32(header + 22, static_cast<std::uint32_t>(height));
    put16(header + 26, 1);
    put16(header + 28, 24);
    put32(header + 34, static_cast<std::uint32_t>(imageSize));
    put32(header + 38, static_cast<std::uint32_t>(raster.pixelsPerMetreX()));
    put32(header + 42, static_cast<std::uint32_t>(raster.pixelsPerMetreY()));
    put(std::span<const std::uint8_t>(header, kHeadersSize));

    std::vector<std::uint8_t> row(stride, 0);
    for (int y = raster.height() - 1; y >= 0; --y) {
        if (rowBytes != 0)
            std::memcpy(row.data(), raster.storageRow(y), rowBytes);
        put(std::span<const std::uint8_t>(row));
    }
}

}  // namespace

std::vector<std::uint8_t> encodeBmp(const Raster& raster) {
    requireTwentyFourBits(raster);
    std::vector<std::uint8_t> bytes;
    bytes.reserve(fileSize(raster));
    writeBmp(raster, [&bytes](std::span<const std::uint8_t> piece) {
        bytes.insert(bytes.end(), piece.begin(), piece.end());
    });
    return bytes;
}

void saveBmpFile(const Raster& raster, const std::filesystem::path& path) {
    writeEncodedFileAtomically(path, [&raster] { return encodeBmp(raster); });
}

StagedFile stageBmpFile(const Raster& raster, const std::filesystem::path& path) {
    requireTwentyFourBits(raster);
    return StagedFile(path, [&raster](PositionedOutput& output) {
        writeBmp(raster, [&output](std::span<const std::uint8_t> piece) { output.write(piece); });
    });
}

}  // namespace felmo
