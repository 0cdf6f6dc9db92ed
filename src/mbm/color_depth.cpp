#include "mbm/color_depth.hpp"

#include <array>
#include <cstdlib>

#include "base/error.hpp"

namespace felmo {
namespace {

using NibbleTable = std::array<std::uint8_t, 4096>;

// Entry n: the index of the palette colour nearest to (Rn x 17, Gn x 17, Bn x 17), where
// n = Rn | Gn << 4 | Bn << 8, by the sum of absolute channel differences, ties to the lowest.
NibbleTable buildNibbleTable(Color (*paletteColor)(int), int paletteSize) {
    NibbleTable table{};
    for (int n = 0; n < 4096; ++n) {
        const int red = (n & 0xF) * 17;
        const int green = ((n >> 4) & 0xF) * 17;
        const int blue = ((n >> 8) & 0xF) * 17;
        int best = 0;
        int bestDistance = 1 << 30;
        for (int i = 0; i < paletteSize; ++i) {
            const Color c = paletteColor(i);
            const int distance = std::abs(redOf(c) - red) + std::abs(greenOf(c) - green) +
                                 std::abs(blueOf(c) - blue);
            if (distance < bestDistance) {
                bestDistance = distance;
                best = i;
            }
        }
        table[static_cast<std::size_t>(n)] = static_cast<std::uint8_t>(best);
    }
    return table;
}

const NibbleTable& table256() {
    static const NibbleTable table = buildNibbleTable(palette256Color, 256);
    return table;
}

const NibbleTable& table16() {
    static const NibbleTable table = buildNibbleTable(palette16Color, 16);
    return table;
}

inline std::size_t nibbleKey(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return static_cast<std::size_t>((red >> 4) | (green & 0xF0) | ((blue & 0xF0) << 4));
}

// The platform's converter stores these two greys as slightly different greys; keeping the quirk
// keeps our files identical to its files.
inline void adjustGreys(std::uint8_t& red, std::uint8_t& green, std::uint8_t& blue) {
    if (red == green && green == blue) {
        if (red == 128) {
            red = green = blue = 127;
        } else if (red == 192) {
            red = green = blue = 187;
        }
    }
}

inline std::uint8_t greyLevel(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return static_cast<std::uint8_t>((2 * red + 5 * green + blue) / 8);
}

inline std::uint16_t word565(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return static_cast<std::uint16_t>(((red >> 3) << 11) | ((green >> 2) << 5) | (blue >> 3));
}

inline std::uint16_t word444(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return static_cast<std::uint16_t>(((red >> 4) << 8) | ((green >> 4) << 4) | (blue >> 4));
}

inline void storeWord(std::uint8_t* p, std::uint16_t word) {
    p[0] = static_cast<std::uint8_t>(word & 0xFF);
    p[1] = static_cast<std::uint8_t>(word >> 8);
}

inline void storeBgr(std::uint8_t* p, Color c) {
    p[0] = blueOf(c);
    p[1] = greenOf(c);
    p[2] = redOf(c);
}

// 5- and 6-bit channels widened to 8 bits: value x 255 / 31 (or 63), truncated.
struct ChannelTables {
    std::array<std::uint8_t, 32> five{};
    std::array<std::uint8_t, 64> six{};
};

constexpr ChannelTables makeChannelTables() {
    ChannelTables tables;
    for (int v = 0; v < 32; ++v)
        tables.five[v] = static_cast<std::uint8_t>(v * 255 / 31);
    for (int v = 0; v < 64; ++v)
        tables.six[v] = static_cast<std::uint8_t>(v * 255 / 63);
    return tables;
}

const ChannelTables& channelTables() {
    static constexpr ChannelTables tables = makeChannelTables();
    return tables;
}

// The rows being packed: [first, first + count) of the raster into out, stride bytes each.
struct RowSpan {
    int first;
    int count;
};

// Runs rowFunction(sourceRow, storedRow) for every row; the pixel loop sits inside the row
// function so that each mode gets its own tight loop.
template <typename RowFunction>
void packRows(const Raster& raster, RowSpan rows, std::size_t stride,
              std::vector<std::uint8_t>& out, RowFunction rowFunction) {
    for (int k = 0; k < rows.count; ++k) {
        rowFunction(raster.storageRow(rows.first + k),
                    out.data() + static_cast<std::size_t>(k) * stride);
    }
}

void packSubByte(const Raster& raster, const BitmapMode& mode, RowSpan rows, std::size_t stride,
                 std::vector<std::uint8_t>& out) {
    const int bits = mode.bitsPerPixel;
    const int perByte = 8 / bits;
    const std::uint8_t mask = static_cast<std::uint8_t>((1 << bits) - 1);
    const int width = raster.width();
    packRows(raster, rows, stride, out, [&](const std::uint8_t* source, std::uint8_t* stored) {
        for (int x = 0; x < width; ++x, source += 3) {
            const Color color = rgb(source[2], source[1], source[0]);
            const auto value = static_cast<std::uint8_t>(reduceColor(color, mode));
            const int shift = (x % perByte) * bits;
            std::uint8_t& byte = stored[x / perByte];
            byte = static_cast<std::uint8_t>((byte & ~(mask << shift)) | (value << shift));
        }
    });
}

}  // namespace

Color palette256Color(int index) {
    if (index < 108 || index >= 148) {
        const int j = index < 108 ? index : index - 40;
        return rgb(static_cast<std::uint8_t>((j % 6) * 51),
                   static_cast<std::uint8_t>(((j / 6) % 6) * 51),
                   static_cast<std::uint8_t>((j / 36) * 51));
    }
    static constexpr std::uint8_t kLow[5] = {17, 34, 68, 85, 119};
    static constexpr std::uint8_t kHigh[5] = {136, 170, 187, 221, 238};
    const int k = index - 108;
    const std::uint8_t low = kLow[k % 5];
    const std::uint8_t high = kHigh[k % 5];
    switch (k / 5) {
        case 0:
            return rgb(low, low, low);
        case 1:
            return rgb(low, 0, 0);
        case 2:
            return rgb(0, low, 0);
        case 3:
            return rgb(0, 0, low);
        case 4:
            return rgb(0, 0, high);
        case 5:
            return rgb(0, high, 0);
        case 6:
            return rgb(high, 0, 0);
        default:
            return rgb(high, high, high);
    }
}

Color palette16Color(int index) {
    static constexpr Color kPalette[16] = {
        rgb(0, 0, 0),       rgb(0x55, 0x55, 0x55), rgb(0x80, 0, 0),       rgb(0x80, 0x80, 0),
        rgb(0, 0x80, 0),    rgb(0xFF, 0, 0),       rgb(0xFF, 0xFF, 0),    rgb(0, 0xFF, 0),
        rgb(0xFF, 0, 0xFF), rgb(0, 0, 0xFF),       rgb(0, 0xFF, 0xFF),    rgb(0x80, 0, 0x80),
        rgb(0, 0, 0x80),    rgb(0, 0x80, 0x80),    rgb(0xAA, 0xAA, 0xAA), rgb(0xFF, 0xFF, 0xFF),
    };
    return kPalette[index & 15];
}

std::uint8_t palette256Index(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return table256()[nibbleKey(red, green, blue)];
}

std::uint8_t palette16Index(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return table16()[nibbleKey(red, green, blue)];
}

std::uint32_t reduceColor(Color color, const BitmapMode& mode) {
    std::uint8_t red = redOf(color);
    std::uint8_t green = greenOf(color);
    std::uint8_t blue = blueOf(color);
    adjustGreys(red, green, blue);
    if (mode.color == ColorKind::Grey) {
        return static_cast<std::uint32_t>(greyLevel(red, green, blue) >> (8 - mode.bitsPerPixel));
    }
    switch (mode.bitsPerPixel) {
        case 4:
            return palette16Index(red, green, blue);
        case 8:
            return palette256Index(red, green, blue);
        case 12:
            return word444(red, green, blue);
        case 16:
            return word565(red, green, blue);
        default:
            return rgb(red, green, blue);
    }
}

Color expandValue(std::uint32_t value, const BitmapMode& mode) {
    if (mode.color == ColorKind::Grey) {
        const int levels = (1 << mode.bitsPerPixel) - 1;
        const auto level = static_cast<std::uint8_t>(value * 255 / levels);
        return rgb(level, level, level);
    }
    switch (mode.bitsPerPixel) {
        case 4:
            return palette16Color(static_cast<int>(value & 0xF));
        case 8:
            return palette256Color(static_cast<int>(value & 0xFF));
        case 12:
            return rgb(static_cast<std::uint8_t>(((value >> 8) & 0xF) * 17),
                       static_cast<std::uint8_t>(((value >> 4) & 0xF) * 17),
                       static_cast<std::uint8_t>((value & 0xF) * 17));
        case 16:
            return rgb(static_cast<std::uint8_t>(((value >> 11) & 0x1F) * 255 / 31),
                       static_cast<std::uint8_t>(((value >> 5) & 0x3F) * 255 / 63),
                       static_cast<std::uint8_t>((value & 0x1F) * 255 / 31));
        default:
            return value & 0x00FFFFFF;
    }
}

void packPixels(const Raster& raster, const BitmapMode& mode, std::vector<std::uint8_t>& out) {
    packPixelRows(raster, mode, 0, raster.height(), out);
}

void packPixelRows(const Raster& raster, const BitmapMode& mode, int firstRow, int rowCount,
                   std::vector<std::uint8_t>& out) {
    if (!isValidMode(mode))
        throw Error("cannot store pixels as " + describeMode(mode));
    if (firstRow < 0 || rowCount < 0 || rowCount > raster.height() - firstRow)
        throw Error("rows outside the picture");
    const RowSpan rows{firstRow, rowCount};
    const std::size_t stride = strideBytes(mode.bitsPerPixel, raster.width());
    out.assign(stride * static_cast<std::size_t>(rowCount), 0xFF);
    const int width = raster.width();

    if (mode.bitsPerPixel < 8)
        return packSubByte(raster, mode, rows, stride, out);
    switch (mode.bitsPerPixel) {
        case 8:
            if (mode.color == ColorKind::Grey) {
                packRows(raster, rows, stride, out,
                         [width](const std::uint8_t* s, std::uint8_t* d) {
                             for (int x = 0; x < width; ++x, s += 3) {
                                 std::uint8_t b = s[0], g = s[1], r = s[2];
                                 adjustGreys(r, g, b);
                                 d[x] = greyLevel(r, g, b);
                             }
                         });
            } else {
                const NibbleTable& table = table256();
                packRows(raster, rows, stride, out, [&](const std::uint8_t* s, std::uint8_t* d) {
                    for (int x = 0; x < width; ++x, s += 3) {
                        std::uint8_t b = s[0], g = s[1], r = s[2];
                        adjustGreys(r, g, b);
                        d[x] = table[nibbleKey(r, g, b)];
                    }
                });
            }
            return;
        case 12:
            packRows(raster, rows, stride, out, [width](const std::uint8_t* s, std::uint8_t* d) {
                for (int x = 0; x < width; ++x, s += 3, d += 2) {
                    std::uint8_t b = s[0], g = s[1], r = s[2];
                    adjustGreys(r, g, b);
                    storeWord(d, word444(r, g, b));
                }
            });
            return;
        case 16:
            packRows(raster, rows, stride, out, [width](const std::uint8_t* s, std::uint8_t* d) {
                for (int x = 0; x < width; ++x, s += 3, d += 2) {
                    std::uint8_t b = s[0], g = s[1], r = s[2];
                    adjustGreys(r, g, b);
                    storeWord(d, word565(r, g, b));
                }
            });
            return;
        case 24:
        case 32: {
            const int step = mode.bitsPerPixel / 8;
            packRows(raster, rows, stride, out,
                     [width, step](const std::uint8_t* s, std::uint8_t* d) {
                         for (int x = 0; x < width; ++x, s += 3, d += step) {
                             std::uint8_t b = s[0], g = s[1], r = s[2];
                             adjustGreys(r, g, b);
                             d[0] = b;
                             d[1] = g;
                             d[2] = r;
                             if (step == 4)
                                 d[3] = 0;
                         }
                     });
            return;
        }
        default:
            break;
    }
}

void unpackPixels(std::span<const std::uint8_t> raw, const BitmapMode& mode, Raster& raster) {
    unpackPixelRows(raw, mode, 0, raster.height(), raster);
}

void unpackPixelRows(std::span<const std::uint8_t> raw, const BitmapMode& mode, int firstRow,
                     int rowCount, Raster& raster) {
    if (!isValidMode(mode))
        throw Error("cannot read pixels stored as " + describeMode(mode));
    const int width = raster.width();
    const std::size_t stride = strideBytes(mode.bitsPerPixel, width);
    if (firstRow < 0 || rowCount < 0 || rowCount > raster.height() - firstRow)
        throw Error("rows outside the picture");
    if (raw.size() < stride * static_cast<std::size_t>(rowCount))
        throw Error("the pixel data is shorter than the picture");

    for (int k = 0; k < rowCount; ++k) {
        const int y = firstRow + k;
        const std::uint8_t* s = raw.data() + static_cast<std::size_t>(k) * stride;
        std::uint8_t* d = raster.storageRow(y);
        switch (mode.bitsPerPixel) {
            case 1:
            case 2:
            case 4: {
                const int bits = mode.bitsPerPixel;
                const int perByte = 8 / bits;
                const int mask = (1 << bits) - 1;
                for (int x = 0; x < width; ++x, d += 3) {
                    const int value = (s[x / perByte] >> ((x % perByte) * bits)) & mask;
                    storeBgr(d, expandValue(static_cast<std::uint32_t>(value), mode));
                }
                break;
            }
            case 8:
                if (mode.color == ColorKind::Grey) {
                    for (int x = 0; x < width; ++x, d += 3)
                        d[0] = d[1] = d[2] = s[x];
                } else {
                    for (int x = 0; x < width; ++x, d += 3)
                        storeBgr(d, palette256Color(s[x]));
                }
                break;
            case 12:
                for (int x = 0; x < width; ++x, s += 2, d += 3) {
                    d[0] = static_cast<std::uint8_t>((s[0] & 0xF) * 17);
                    d[1] = static_cast<std::uint8_t>((s[0] >> 4) * 17);
                    d[2] = static_cast<std::uint8_t>((s[1] & 0xF) * 17);
                }
                break;
            case 16: {
                const ChannelTables& tables = channelTables();
                for (int x = 0; x < width; ++x, s += 2, d += 3) {
                    const unsigned word = s[0] | (s[1] << 8);
                    const std::uint8_t blue = tables.five[word & 0x1F];
                    const std::uint8_t green = tables.six[(word >> 5) & 0x3F];
                    const std::uint8_t red = tables.five[word >> 11];
                    d[0] = blue;
                    d[1] = green;
                    d[2] = red;
                }
                break;
            }
            case 24:
            case 32: {
                const int step = mode.bitsPerPixel / 8;
                for (int x = 0; x < width; ++x, s += step, d += 3) {
                    d[0] = s[0];
                    d[1] = s[1];
                    d[2] = s[2];
                }
                break;
            }
            default:
                break;
        }
    }
}

}  // namespace felmo
