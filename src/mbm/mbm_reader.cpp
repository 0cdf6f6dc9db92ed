#include "mbm/mbm_reader.hpp"

#include <algorithm>
#include <string>

#include "base/error.hpp"
#include "mbm/color_depth.hpp"
#include "mbm/rle.hpp"
#include "raster/picture_limits.hpp"

namespace felmo {
namespace {

std::uint32_t readU32(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::uint32_t>(bytes[offset]) |
           (static_cast<std::uint32_t>(bytes[offset + 1]) << 8) |
           (static_cast<std::uint32_t>(bytes[offset + 2]) << 16) |
           (static_cast<std::uint32_t>(bytes[offset + 3]) << 24);
}

std::int32_t readI32(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::int32_t>(readU32(bytes, offset));
}

[[noreturn]] void fail(std::size_t bitmapNumber, const std::string& problem) {
    throw Error("Bitmap " + std::to_string(bitmapNumber) + ": " + problem + ".");
}

bool validDepth(std::int32_t bits) {
    return bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 12 || bits == 16 ||
           bits == 24 || bits == 32;
}

MbmBitmapInfo readHeader(ByteSource& source, std::size_t offset, std::size_t number,
                         std::vector<std::uint8_t>& scratch) {
    const std::uint64_t fileSize = source.size();
    if (offset < mbm::kFileHeaderBytes || offset > fileSize ||
        fileSize - offset < mbm::kBitmapHeaderBytes) {
        fail(number, "its header at offset " + std::to_string(offset) + " lies outside the file (" +
                         std::to_string(fileSize) + " bytes)");
    }
    const auto header = source.bytesAt(offset, mbm::kBitmapHeaderBytes, scratch);
    const std::uint32_t bitmapSize = readU32(header, 0);
    const std::uint32_t headerLength = readU32(header, 4);
    const std::int32_t width = readI32(header, 8);
    const std::int32_t height = readI32(header, 12);
    const std::int32_t bits = readI32(header, 24);
    const std::uint32_t color = readU32(header, 28);
    const std::uint32_t paletteEntries = readU32(header, 32);
    const std::uint32_t compression = readU32(header, 36);

    if (headerLength != mbm::kBitmapHeaderBytes)
        fail(number, "header length " + std::to_string(headerLength) + ", not 40");
    if (width <= 0 || height <= 0) {
        fail(number, "size " + std::to_string(width) + " x " + std::to_string(height) +
                         " is not a picture size");
    }
    try {
        checkPictureSize(width, height);
    } catch (const Error& tooLarge) {
        throw Error("Bitmap " + std::to_string(number) + ": " + tooLarge.what());
    }
    if (!validDepth(bits))
        fail(number, std::to_string(bits) + " bits per pixel is not a depth");
    if (paletteEntries != 0) {
        fail(number, std::to_string(paletteEntries) + " palette entries (a bitmap stores none)");
    }
    const BitmapMode mode{bits, static_cast<ColorKind>(color)};
    if (color > 2 || !isValidMode(mode)) {
        fail(number, "colour value " + std::to_string(static_cast<std::int32_t>(color)) +
                         " does not fit " + std::to_string(bits) + " bits per pixel");
    }
    const Compression expected = compressionFor(mode);
    if (compression != 0 && compression != static_cast<std::uint32_t>(expected)) {
        fail(number, "compression " + std::to_string(static_cast<std::int32_t>(compression)) +
                         " does not belong to " + describeMode(mode));
    }

    MbmBitmapInfo info;
    info.index = number - 1;
    info.offset = offset;
    info.bitmapSize = bitmapSize;
    info.width = width;
    info.height = height;
    info.widthTwips = readI32(header, 16);
    info.heightTwips = readI32(header, 20);
    info.mode = mode;
    info.compression = static_cast<Compression>(compression);

    if (bitmapSize < mbm::kBitmapHeaderBytes || bitmapSize > fileSize - offset) {
        fail(number, "bitmap size " + std::to_string(bitmapSize) +
                         " runs past the end of the file (" + std::to_string(fileSize) + " bytes)");
    }
    const std::size_t rawBytes = info.rawBytes();
    if (info.compression == Compression::None) {
        if (info.storedBytes() != rawBytes) {
            fail(number, "bitmap size " + std::to_string(bitmapSize) + " does not match " +
                             std::to_string(width) + " x " + std::to_string(height) + " at " +
                             describeMode(mode) + " (" + std::to_string(40 + rawBytes) + ")");
        }
    } else if (info.storedBytes() < minimumStoredBytes(info.compression, rawBytes)) {
        fail(number, "its " + std::to_string(info.storedBytes()) +
                         " compressed bytes cannot hold " + std::to_string(width) + " x " +
                         std::to_string(height) + " pixels");
    }
    return info;
}

// Hands the bitmap's padded pixel buffer to `use(firstRow, rowCount, rows)` a band of rows at a
// time: the stored rows themselves, read a band at a time from a file, or expanded a band at a
// time into `scratch`, so that the whole buffer is never needed.
template <typename Use>
void forEachBand(ByteSource& source, const MbmBitmapInfo& info, std::size_t number,
                 std::vector<std::uint8_t>& scratch, Use&& use) {
    const std::uint64_t storedAt = info.offset + mbm::kBitmapHeaderBytes;
    const std::size_t stride = strideBytes(info.mode.bitsPerPixel, info.width);
    constexpr std::size_t kBandBytes = 64 * 1024;
    if (info.compression == Compression::None) {
        const int bandRows = source.isInMemory()
                                 ? info.height
                                 : static_cast<int>(std::min<std::size_t>(
                                       std::max<std::size_t>(1, kBandBytes / stride),
                                       static_cast<std::size_t>(info.height)));
        for (int y = 0; y < info.height; y += bandRows) {
            const int rows = std::min(bandRows, info.height - y);
            use(y, rows,
                source.bytesAt(storedAt + stride * static_cast<std::size_t>(y),
                               stride * static_cast<std::size_t>(rows), scratch));
        }
        return;
    }
    // Bands of a multiple of three rows, so that every band but the last holds whole pixels of
    // every scheme (rows are padded to 4 bytes).
    const int bandRows = static_cast<int>(std::max<std::size_t>(1, kBandBytes / stride / 3) * 3);
    try {
        PixelExpander expander(info.compression, source, storedAt, info.storedBytes(),
                               info.rawBytes());
        for (int y = 0; y < info.height; y += bandRows) {
            const int rows = std::min(bandRows, info.height - y);
            scratch.resize(stride * static_cast<std::size_t>(rows));
            expander.expand(scratch);
            use(y, rows, std::span<const std::uint8_t>(scratch));
        }
        expander.finish();
    } catch (const Error& error) {
        fail(number, error.what());
    }
}

Raster decodeWithScratch(ByteSource& source, const MbmBitmapInfo& info, std::size_t number,
                         std::vector<std::uint8_t>& scratch) {
    Raster raster(info.width, info.height);
    raster.setResolution(0, 0);
    forEachBand(source, info, number, scratch,
                [&](int firstRow, int rowCount, std::span<const std::uint8_t> rows) {
                    unpackPixelRows(rows, info.mode, firstRow, rowCount, raster);
                });
    return raster;
}

}  // namespace

std::vector<MbmBitmapInfo> readMbmDirectory(ByteSource& source) {
    const std::uint64_t fileSize = source.size();
    if (fileSize < mbm::kFileHeaderBytes + 4) {
        throw Error("Not a multi-bitmap file: " + std::to_string(fileSize) +
                    " bytes is too short.");
    }
    std::vector<std::uint8_t> scratch;
    const auto header = source.bytesAt(0, mbm::kFileHeaderBytes, scratch);
    const std::uint32_t uid1 = readU32(header, 0);
    const std::uint32_t uid2 = readU32(header, 4);
    if (uid1 != mbm::kUid1 || (uid2 != mbm::kUid2 && uid2 != mbm::kUid2Alternative))
        throw Error("Not a multi-bitmap file: its identifiers are wrong.");

    const std::uint32_t trailer = readU32(header, 16);
    if (trailer < mbm::kFileHeaderBytes || trailer > fileSize - 4) {
        throw Error("The trailer offset " + std::to_string(trailer) + " lies outside the file (" +
                    std::to_string(fileSize) + " bytes).");
    }
    const std::uint32_t count = readU32(source.bytesAt(trailer, 4, scratch), 0);
    if (count > (fileSize - trailer - 4) / 4 || count > kMaxMbmBitmaps) {
        throw Error("The trailer lists " + std::to_string(count) +
                    " bitmaps, more than the file holds.");
    }
    const std::vector<std::uint8_t> offsets = [&] {
        const auto stored = source.bytesAt(trailer + 4, std::size_t{4} * count, scratch);
        return std::vector<std::uint8_t>(stored.begin(), stored.end());
    }();
    std::vector<MbmBitmapInfo> infos;
    infos.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i)
        infos.push_back(readHeader(source, readU32(offsets, std::size_t{4} * i), i + 1, scratch));
    return infos;
}

std::vector<MbmBitmapInfo> readMbmDirectory(std::span<const std::uint8_t> file) {
    MemorySource source(file);
    return readMbmDirectory(source);
}

std::vector<MbmBitmapSize> readMbmBitmapSizes(std::span<const std::uint8_t> file) {
    std::vector<MbmBitmapSize> sizes;
    if (file.size() < mbm::kFileHeaderBytes + 4 || readU32(file, 0) != mbm::kUid1)
        return sizes;
    const std::uint32_t trailer = readU32(file, 16);
    if (trailer < mbm::kFileHeaderBytes || trailer > file.size() - 4)
        return sizes;
    const std::uint32_t count = readU32(file, trailer);
    if (count > (file.size() - trailer - 4) / 4 || count > kMaxMbmBitmaps)
        return sizes;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t offset = readU32(file, trailer + 4 + std::size_t{4} * i);
        if (offset > file.size() || file.size() - offset < mbm::kBitmapHeaderBytes)
            continue;
        sizes.push_back({readI32(file, offset + 8), readI32(file, offset + 12)});
    }
    return sizes;
}

Raster decodeMbmBitmap(std::span<const std::uint8_t> file, std::size_t index) {
    MemorySource source(file);
    const std::vector<MbmBitmapInfo> infos = readMbmDirectory(source);
    if (index >= infos.size()) {
        throw Error("There is no bitmap " + std::to_string(index + 1) + "; the file holds " +
                    std::to_string(infos.size()) + ".");
    }
    std::vector<std::uint8_t> scratch;
    return decodeWithScratch(source, infos[index], index + 1, scratch);
}

Raster decodeMbmBitmap(ByteSource& source, const MbmBitmapInfo& info) {
    std::vector<std::uint8_t> scratch;
    const MbmBitmapInfo checked = readHeader(source, info.offset, info.index + 1, scratch);
    return decodeWithScratch(source, checked, info.index + 1, scratch);
}

Raster decodeMbmBitmap(std::span<const std::uint8_t> file, const MbmBitmapInfo& info) {
    MemorySource source(file);
    return decodeMbmBitmap(source, info);
}

void checkMbmBitmap(ByteSource& source, const MbmBitmapInfo& info) {
    std::vector<std::uint8_t> scratch;
    const MbmBitmapInfo checked = readHeader(source, info.offset, info.index + 1, scratch);
    // Stored rows are whole once the header fits the file; only a compressed stream can be damaged.
    if (checked.compression == Compression::None)
        return;
    forEachBand(source, checked, info.index + 1, scratch,
                [](int, int, std::span<const std::uint8_t>) {});
}

void checkMbmBitmap(std::span<const std::uint8_t> file, const MbmBitmapInfo& info) {
    MemorySource source(file);
    checkMbmBitmap(source, info);
}

std::vector<MbmBitmap> decodeMbm(ByteSource& source) {
    const std::vector<MbmBitmapInfo> infos = readMbmDirectory(source);
    std::int64_t totalPixels = 0;
    for (const MbmBitmapInfo& info : infos) {
        totalPixels += std::int64_t{info.width} * info.height;
        if (totalPixels > kMaxPicturePixels)
            throw Error("The file's bitmaps hold too many pixels in total.");
    }
    std::vector<MbmBitmap> bitmaps;
    bitmaps.reserve(infos.size());
    std::vector<std::uint8_t> scratch;
    for (std::size_t i = 0; i < infos.size(); ++i) {
        bitmaps.push_back(MbmBitmap{infos[i], decodeWithScratch(source, infos[i], i + 1, scratch)});
    }
    return bitmaps;
}

std::vector<MbmBitmap> decodeMbm(std::span<const std::uint8_t> file) {
    MemorySource source(file);
    return decodeMbm(source);
}

}  // namespace felmo
