// BMP reading: every standard depth and header, checked field by field before anything is
// allocated. All pixels land in the raster's 24-bit storage; the raster remembers the file's
// format (palette or bit-field masks) so later painting is reduced to what the file could hold.
#include <bit>
#include <cstring>
#include <string>

#include "base/error.hpp"
#include "platform/file_io.hpp"
#include "raster/bmp.hpp"
#include "raster/picture_limits.hpp"

namespace felmo {
namespace {

constexpr std::size_t kFileHeaderSize = 14;

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
};

Header readHeader(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kFileHeaderSize + 4)
        fail("The file is too short to be a BMP picture.");
    if (bytes[0] != 'B' || bytes[1] != 'M')
        fail("It does not begin with the BMP signature \"BM\".");
    Header header;
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
    if (bytes.size() < kFileHeaderSize + header.headerSize)
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
    Decoder(std::span<const std::uint8_t> bytes, const Header& header)
        : bytes_(bytes), header_(header) {}

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
                if (bytes_.size() < tableStart + count * 4)
                    fail("The bit-field masks are truncated.");
                tableStart += count * 4;
            }
            masks = {get32(&bytes_[at]), get32(&bytes_[at + 4]), get32(&bytes_[at + 8])};
            checkMasks(masks, bits);
        }

        const std::uint32_t offset = get32(&bytes_[10]);
        std::vector<Color> palette;
        if (bits <= 8)
            palette = readPalette(tableStart, offset);
        const std::size_t dataStart = offset != 0 ? offset : tableStart + palette.size() * 4;
        if (dataStart > bytes_.size())
            fail("The pixel data offset " + number(dataStart) +
                 " lies beyond the end of the file (" + number(bytes_.size()) + " bytes).");

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
        if (needed > bytes_.size() - dataStart)
            fail("The pixel data is truncated: " + number(needed) +
                 " bytes are needed after offset " + number(dataStart) + ", the file has " +
                 number(bytes_.size() - dataStart) + ".");

        Raster raster(width, height, colors::black);
        for (int fileRow = 0; fileRow < height && width > 0; ++fileRow) {
            const int y = header_.topDown ? fileRow : height - 1 - fileRow;
            const std::uint8_t* in = bytes_.data() + dataStart + stride * fileRow;
            std::uint8_t* out = raster.storageRow(y);
            if (bits <= 8)
                decodeIndexedRow(in, out, width, bits, palette, y);
            else if (bits == 24)
                std::memcpy(out, in, static_cast<std::size_t>(width) * 3);
            else
                decodeBitFieldRow(in, out, width, bits, masks);
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

    std::vector<Color> readPalette(std::size_t start, std::uint32_t dataOffset) const {
        const std::size_t entrySize = header_.paletteEntrySize;
        const std::size_t capacity = std::size_t{1} << header_.bitsPerPixel;
        std::size_t count = capacity;
        if (header_.colorsUsed != 0 && header_.colorsUsed < capacity)
            count = header_.colorsUsed;
        // Files that state no count sometimes carry a shorter table: the pixel data's offset
        // tells where it ends.
        if (header_.colorsUsed == 0 && dataOffset >= start)
            count = std::min(count, (dataOffset - start) / entrySize);
        if (start > bytes_.size() || (bytes_.size() - start) / entrySize < count)
            fail("The colour table is truncated.");
        std::vector<Color> palette(count);
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t* entry = &bytes_[start + i * entrySize];
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
    void decodeRunLength(Raster& raster, const std::vector<Color>& palette,
                         std::size_t position) const {
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
        const std::size_t size = bytes_.size();
        while (row < height) {
            if (size - position < 2)
                fail("The compressed pixel data is truncated.");
            const unsigned count = bytes_[position];
            const unsigned code = bytes_[position + 1];
            position += 2;
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
                if (size - position < 2)
                    fail("The compressed pixel data is truncated.");
                x += bytes_[position];
                row += bytes_[position + 1];
                position += 2;
            } else {
                const std::size_t dataBytes = fourBit ? (code + 1) / 2 : code;
                const std::size_t padded = (dataBytes + 1) & ~std::size_t{1};
                if (size - position < padded)
                    fail("The compressed pixel data is truncated.");
                for (unsigned i = 0; i < code && x <= width; ++i) {
                    const std::uint8_t byte = bytes_[position + (fourBit ? i / 2 : i)];
                    put(fourBit ? ((i % 2 == 0) ? byte >> 4 : byte & 0x0F) : byte);
                }
                position += padded;
            }
        }
    }

    std::span<const std::uint8_t> bytes_;
    const Header& header_;
};

Raster decodeOrFail(std::span<const std::uint8_t> bytes) {
    const Header header = readHeader(bytes);
    return Decoder(bytes, header).decode();
}

}  // namespace

Raster decodeBmp(std::span<const std::uint8_t> bytes) {
    try {
        return decodeOrFail(bytes);
    } catch (const InvalidBmp& invalid) {
        throw Error("Invalid BMP data. " + invalid.detail);
    }
}

Raster loadBmpFile(const std::filesystem::path& path) {
    return decodeBmpFile(path, readWholeFile(path));
}

Raster decodeBmpFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    try {
        return decodeOrFail(bytes);
    } catch (const InvalidBmp& invalid) {
        throw Error("Invalid BMP file \"" + path.string() + "\". " + invalid.detail);
    }
}

}  // namespace felmo
