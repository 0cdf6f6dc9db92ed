// BMP reading: every standard depth and header, checked field by field before anything is
// allocated. All pixels land in the raster's 24-bit storage; the raster remembers the file's
// format (palette or bit-field masks) so later painting is reduced to what the file could hold.
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <string>

#include "base/error.hpp"
#include "base/utf8_path.hpp"
#include "platform/file_io.hpp"
#include "raster/bmp.hpp"
#include "raster/picture_limits.hpp"

namespace felmo {
namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kLargestInfoHeaderSize = 124;

enum Compression : std::uint32_t {
    kRgb = 0,
    kRle8 = 1,
    kRle4 = 2,
    kBitFields = 3,
    kJpeg = 4,
    kPng = 5,
    kAlphaBitFields = 6,
};

// What is wrong with the data, without saying where the data came from.
struct InvalidBmp {
    std::string detail;
};

[[noreturn]] void fail(std::string detail) {
    throw InvalidBmp{std::move(detail)};
}

std::uint32_t get16(const std::uint8_t* at) {
    return at[0] | (std::uint32_t{at[1]} << 8);
}
std::uint32_t get32(const std::uint8_t* at) {
    return get16(at) | (get16(at + 2) << 16);
}

std::string number(std::uint64_t value) {
    return std::to_string(value);
}

struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
    explicit Channel(std::uint32_t m) : mask(m) {
        if (m != 0) {
            shift = std::countr_zero(m);
            bits = std::popcount(m);
        }
    }
    std::uint8_t decode(std::uint32_t value) const {
        return widenChannel((value & mask) >> shift, bits);
    }
};

void checkMasks(const BitFieldMasks& masks, int bitsPerPixel) {
    for (std::uint32_t mask : {masks.red, masks.green, masks.blue}) {
        if (mask == 0)
            continue;
        const std::uint32_t run = mask >> std::countr_zero(mask);
        if ((run & (run + 1)) != 0)
            fail("A bit-field mask is not one run of bits.");
        if (bitsPerPixel == 16 && mask > 0xFFFF)
            fail("A bit-field mask does not fit a 16-bit pixel.");
    }
}

struct Header {
    std::uint32_t headerSize = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;  // rows, positive
    bool topDown = false;
    int bitsPerPixel = 0;
    std::uint32_t compression = kRgb;
    std::uint32_t colorsUsed = 0;
    std::int32_t pixelsPerMetreX = 0;
    std::int32_t pixelsPerMetreY = 0;
    std::size_t paletteEntrySize = 4;
    std::uint32_t dataOffset = 0;
};

Header readHeader(ByteSource& source) {
    const std::uint64_t fileSize = source.size();
    if (fileSize < kFileHeaderSize + 4)
        fail("The file is too short to be a BMP picture.");
    // Both headers, or as much of them as the file holds.
    std::array<std::uint8_t, kFileHeaderSize + kLargestInfoHeaderSize> bytes{};
    {
        std::vector<std::uint8_t> scratch;
        const auto head = source.bytesAt(
            0, static_cast<std::size_t>(std::min<std::uint64_t>(fileSize, bytes.size())), scratch);
        std::copy(head.begin(), head.end(), bytes.begin());
    }
    if (bytes[0] != 'B' || bytes[1] != 'M')
        fail("It does not begin with the BMP signature \"BM\".");
    Header header;
    header.dataOffset = get32(&bytes[10]);
    header.headerSize = get32(&bytes[14]);
    switch (header.headerSize) {
        case 12:
        case 40:
        case 52:
        case 56:
        case 64:
        case 108:
        case 124:
            break;
        default:
            fail("Its header size " + number(header.headerSize) + " is not a BMP header's.");
    }
    if (fileSize < kFileHeaderSize + header.headerSize)
        fail("The header is truncated.");
    const std::uint8_t* info = &bytes[kFileHeaderSize];
    if (header.headerSize == 12) {
        header.width = get16(info + 4);
        header.height = get16(info + 6);
        header.bitsPerPixel = static_cast<int>(get16(info + 10));
        header.paletteEntrySize = 3;
    } else {
        header.width = static_cast<std::int32_t>(get32(info + 4));
        header.height = static_cast<std::int32_t>(get32(info + 8));
        header.bitsPerPixel = static_cast<int>(get16(info + 14));
        header.compression = get32(info + 16);
        header.pixelsPerMetreX = static_cast<std::int32_t>(get32(info + 24));
        header.pixelsPerMetreY = static_cast<std::int32_t>(get32(info + 28));
        header.colorsUsed = get32(info + 32);
    }
    if (header.height < 0) {
        header.topDown = true;
        header.height = -header.height;
    }
    if (header.width < 0)
        fail("Its width " + std::to_string(header.width) + " is negative.");
    try {
        checkPictureSize(header.width, header.height);
    } catch (const Error& tooLarge) {
        fail(tooLarge.what());
    }

    // Header 64 (the OS/2 one) numbers its compressions 3 and 4 differently: neither is taken.
    if (header.headerSize == 64 && header.compression > kRle4)
        fail("Compression type " + number(header.compression) + " is not supported.");
    const int bits = header.bitsPerPixel;
    switch (header.compression) {
        case kRgb:
            if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
                fail(number(bits) + " bits per pixel is not a supported depth.");
            if (header.headerSize == 12 && (bits == 16 || bits == 32))
                fail(number(bits) + " bits per pixel is not a supported depth.");
            break;
        case kRle8:
        case kRle4:
            if (bits != (header.compression == kRle8 ? 8 : 4))
                fail("Run-length compression does not fit " + number(bits) + " bits per pixel.");
            if (header.topDown)
                fail("Compressed pictures cannot be stored top-down.");
            break;
        case kBitFields:
        case kAlphaBitFields:
            if (bits != 16 && bits != 32)
                fail("Bit-field masks do not fit " + number(bits) + " bits per pixel.");
            break;
        case kJpeg:
        case kPng:
            fail("Embedded JPEG or PNG data in a BMP file is not supported.");
        default:
            fail("Compression type " + number(header.compression) + " is not supported.");
    }
    return header;
}

class Decoder {
  public:
    Decoder(ByteSource& source, const Header& header)
        : source_(source), size_(source.size()), header_(header) {}

    Raster decode() {
        std::size_t tableStart = kFileHeaderSize + header_.headerSize;
        const int bits = header_.bitsPerPixel;
        PixelFormat format = formatOf(bits);

        BitFieldMasks masks = defaultBitFieldMasks(format);
        const bool hasMasks =
            header_.compression == kBitFields || header_.compression == kAlphaBitFields;
        if (hasMasks) {
            std::size_t at = kFileHeaderSize + 40;
            if (header_.headerSize == 40) {
                // The masks follow a 40-byte header, ahead of any colour table.
                const std::size_t count = header_.compression == kAlphaBitFields ? 4 : 3;
                if (size_ < tableStart + count * 4)
                    fail("The bit-field masks are truncated.");
                tableStart += count * 4;
            }
            const auto stored = source_.bytesAt(at, 12, scratch_);
            masks = {get32(&stored[0]), get32(&stored[4]), get32(&stored[8])};
            checkMasks(masks, bits);
        }

        const std::uint32_t offset = header_.dataOffset;
        std::vector<Color> palette;
        if (bits <= 8)
            palette = readPalette(tableStart, offset);
        const std::size_t dataStart = offset != 0 ? offset : tableStart + palette.size() * 4;
        if (dataStart > size_)
            fail("The pixel data offset " + number(dataStart) +
                 " lies beyond the end of the file (" + number(size_) + " bytes).");

        const int width = static_cast<int>(header_.width);
        const int height = static_cast<int>(header_.height);
        if (header_.compression == kRle8 || header_.compression == kRle4) {
            Raster raster(width, height, palette.empty() ? colors::black : palette.front());
            decodeRunLength(raster, palette, dataStart);
            raster.setSourceFormat(format, std::move(palette));
            return finish(std::move(raster));
        }

        const std::uint64_t stride = (static_cast<std::uint64_t>(width) * bits + 31) / 32 * 4;
        const std::uint64_t lastRow = (static_cast<std::uint64_t>(width) * bits + 7) / 8;
        const std::uint64_t needed = height == 0 ? 0 : stride * (height - 1) + lastRow;
        if (needed > size_ - dataStart)
            fail("The pixel data is truncated: " + number(needed) +
                 " bytes are needed after offset " + number(dataStart) + ", the file has " +
                 number(size_ - dataStart) + ".");

        Raster raster(width, height, colors::black);
        // The rows are taken a band at a time, so that a file is never held whole.
        const std::uint64_t rowsInPiece =
            SourceCursor::kPieceBytes / std::max<std::uint64_t>(stride, 1);
        const int bandRows = source_.isInMemory()
                                 ? height
                                 : static_cast<int>(std::min<std::uint64_t>(
                                       std::max<std::uint64_t>(rowsInPiece, 1), height));
        for (int firstRow = 0; firstRow < height && width > 0; firstRow += bandRows) {
            const int rows = std::min(bandRows, height - firstRow);
            const auto band =
                source_.bytesAt(dataStart + stride * firstRow,
                                static_cast<std::size_t>(stride * (rows - 1) + lastRow), scratch_);
            for (int fileRow = firstRow; fileRow < firstRow + rows; ++fileRow) {
                const int y = header_.topDown ? fileRow : height - 1 - fileRow;
                const std::uint8_t* in = band.data() + stride * (fileRow - firstRow);
                std::uint8_t* out = raster.storageRow(y);
                if (bits <= 8)
                    decodeIndexedRow(in, out, width, bits, palette, y);
                else if (bits == 24)
                    std::memcpy(out, in, static_cast<std::size_t>(width) * 3);
                else
                    decodeBitFieldRow(in, out, width, bits, masks);
            }
        }
        if (bits <= 8)
            raster.setSourceFormat(format, std::move(palette));
        else if (bits == 16 || bits == 32)
            raster.setSourceBitFields(format, masks);
        return finish(std::move(raster));
    }

  private:
    static PixelFormat formatOf(int bits) {
        switch (bits) {
            case 1:
                return PixelFormat::Bits1;
            case 4:
                return PixelFormat::Bits4;
            case 8:
                return PixelFormat::Bits8;
            case 16:
                return PixelFormat::Bits16;
            case 32:
                return PixelFormat::Bits32;
            default:
                return PixelFormat::Bits24;
        }
    }

    Raster finish(Raster raster) const {
        raster.setResolution(header_.pixelsPerMetreX, header_.pixelsPerMetreY);
        return raster;
    }

    std::vector<Color> readPalette(std::size_t start, std::uint32_t dataOffset) {
        const std::size_t entrySize = header_.paletteEntrySize;
        const std::size_t capacity = std::size_t{1} << header_.bitsPerPixel;
        std::size_t count = capacity;
        if (header_.colorsUsed != 0 && header_.colorsUsed < capacity)
            count = header_.colorsUsed;
        // Files that state no count sometimes carry a shorter table: the pixel data's offset
        // tells where it ends.
        if (header_.colorsUsed == 0 && dataOffset >= start)
            count = std::min(count, (dataOffset - start) / entrySize);
        if (start > size_ || (size_ - start) / entrySize < count)
            fail("The colour table is truncated.");
        const auto table = source_.bytesAt(start, count * entrySize, scratch_);
        std::vector<Color> palette(count);
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t* entry = &table[i * entrySize];
            palette[i] = rgb(entry[2], entry[1], entry[0]);
        }
        return palette;
    }

    [[noreturn]] static void badIndex(std::size_t index, int x, int y, std::size_t paletteSize) {
        fail("Pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") uses colour " +
             number(index) + ", but the colour table has " + number(paletteSize) + " entries.");
    }

    static void putIndexed(std::uint8_t* out, std::size_t index, const std::vector<Color>& palette,
                           int x, int y) {
        if (index >= palette.size())
            badIndex(index, x, y, palette.size());
        const Color color = palette[index];
        out[0] = blueOf(color);
        out[1] = greenOf(color);
        out[2] = redOf(color);
    }

    static void decodeIndexedRow(const std::uint8_t* in, std::uint8_t* out, int width, int bits,
                                 const std::vector<Color>& palette, int y) {
        const int perByte = 8 / bits;
        const unsigned valueMask = (1u << bits) - 1;
        for (int x = 0; x < width; ++x) {
            const int shift = 8 - bits * (x % perByte + 1);
            const std::size_t index = (in[x / perByte] >> shift) & valueMask;
            putIndexed(out + static_cast<std::size_t>(x) * 3, index, palette, x, y);
        }
    }

    static void decodeBitFieldRow(const std::uint8_t* in, std::uint8_t* out, int width, int bits,
                                  const BitFieldMasks& masks) {
        const Channel red(masks.red), green(masks.green), blue(masks.blue);
        const int bytesPerPixel = bits / 8;
        for (int x = 0; x < width; ++x, in += bytesPerPixel, out += 3) {
            const std::uint32_t value = bytesPerPixel == 2 ? get16(in) : get32(in);
            out[0] = blue.decode(value);
            out[1] = green.decode(value);
            out[2] = red.decode(value);
        }
    }

    // RLE8 / RLE4: pairs (count, value) are runs; (0, 0) ends a row, (0, 1) the picture, (0, 2)
    // moves by the next two bytes, (0, n >= 3) is n literal pixels padded to an even byte count.
    // Pixels the data skips keep colour 0 of the table. Pixels beyond a row's end are dropped.
    void decodeRunLength(Raster& raster, const std::vector<Color>& palette, std::size_t position) {
        const bool fourBit = header_.compression == kRle4;
        const std::int64_t width = raster.width(), height = raster.height();
        std::int64_t x = 0, row = 0;  // row counts from the bottom
        auto put = [&](std::size_t index) {
            if (index >= palette.size())
                badIndex(index, static_cast<int>(std::min(x, width)),
                         static_cast<int>(height - 1 - std::min(row, height - 1)), palette.size());
            if (x < width && row < height) {
                const int y = static_cast<int>(height - 1 - row);
                putIndexed(raster.storageRow(y) + x * 3, index, palette, static_cast<int>(x), y);
            }
            ++x;
        };
        SourceCursor data(source_, position);
        while (row < height) {
            if (data.remaining() < 2)
                fail("The compressed pixel data is truncated.");
            const std::uint8_t* pair = data.peek(2);
            const unsigned count = pair[0];
            const unsigned code = pair[1];
            data.skip(2);
            if (count > 0) {
                for (unsigned i = 0; i < count && x <= width; ++i)
                    put(fourBit ? ((i % 2 == 0) ? code >> 4 : code & 0x0F) : code);
                continue;
            }
            if (code == 0) {
                x = 0;
                ++row;
            } else if (code == 1) {
                return;
            } else if (code == 2) {
                if (data.remaining() < 2)
                    fail("The compressed pixel data is truncated.");
                const std::uint8_t* move = data.peek(2);
                x += move[0];
                row += move[1];
                data.skip(2);
            } else {
                const std::size_t dataBytes = fourBit ? (code + 1) / 2 : code;
                const std::size_t padded = (dataBytes + 1) & ~std::size_t{1};
                if (data.remaining() < padded)
                    fail("The compressed pixel data is truncated.");
                const std::uint8_t* literal = data.peek(padded);
                for (unsigned i = 0; i < code && x <= width; ++i) {
                    const std::uint8_t byte = literal[fourBit ? i / 2 : i];
                    put(fourBit ? ((i % 2 == 0) ? byte >> 4 : byte & 0x0F) : byte);
                }
                data.skip(padded);
            }
        }
    }

    ByteSource& source_;
    const std::uint64_t size_;
    const Header& header_;
    std::vector<std::uint8_t> scratch_;  // the bytes last read, when the source is a file
};

Raster decodeOrFail(ByteSource& source) {
    const Header header = readHeader(source);
    return Decoder(source, header).decode();
}

}  // namespace

Raster decodeBmp(ByteSource& source) {
    try {
        return decodeOrFail(source);
    } catch (const InvalidBmp& invalid) {
        throw Error("Invalid BMP data. " + invalid.detail);
    }
}

Raster decodeBmp(std::span<const std::uint8_t> bytes) {
    MemorySource source(bytes);
    return decodeBmp(source);
}

Raster loadBmpFile(const std::filesystem::path& path) {
    InputFile file(path);
    return decodeBmpFile(path, file);
}

Raster decodeBmpFile(const std::filesystem::path& path, ByteSource& source) {
    try {
        return decodeOrFail(source);
    } catch (const InvalidBmp& invalid) {
        throw Error("Invalid BMP file \"" + utf8FromPath(path) + "\". " + invalid.detail);
    }
}

Raster decodeBmpFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    MemorySource source(bytes);
    return decodeBmpFile(path, source);
}

}  // namespace felmo
