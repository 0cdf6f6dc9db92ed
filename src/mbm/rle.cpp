#include "mbm/rle.hpp"

#include <algorithm>
#include <cstring>

#include "base/error.hpp"

namespace felmo {
namespace {

constexpr std::size_t kMaxRun = 128;       // units in one run or literal block
constexpr std::size_t kMaxTwelveRun = 16;  // pixels in one word of scheme 2

template <int kUnit>
inline bool sameUnit(const std::uint8_t* a, const std::uint8_t* b) {
    return std::memcmp(a, b, kUnit) == 0;
}

// Scheme 1, 3, 4, 5 or 6 encoder over `count` pixels of kPixel bytes, each stored as its first
// kUnit bytes. A run needs `minRun` equal units and stays inside the first count - tailUnits
// units; past `limitBytes` of output it gives up.
template <int kUnit, int kPixel>
bool encodeUnits(const std::uint8_t* raw, std::size_t count, std::size_t minRun,
                 std::size_t tailUnits, std::size_t limitBytes, std::vector<std::uint8_t>& out) {
    const std::size_t start = out.size();
    // One token can overshoot the limit by at most a control byte and a full literal block.
    out.resize(start + limitBytes + 1 + kMaxRun * kUnit);
    std::uint8_t* const base = out.data() + start;
    std::uint8_t* put = base;

    const std::size_t runEnd = count > tailUnits ? count - tailUnits : 0;
    auto unit = [raw](std::size_t i) { return raw + i * kPixel; };
    auto runStartsAt = [&](std::size_t i) {
        if (i + minRun > runEnd)
            return false;
        for (std::size_t k = 1; k < minRun; ++k) {
            if (!sameUnit<kUnit>(unit(i), unit(i + k)))
                return false;
        }
        return true;
    };

    std::size_t i = 0;
    while (i < count) {
        if (runStartsAt(i)) {
            const std::size_t stop = std::min(runEnd, i + kMaxRun);
            std::size_t j = i + minRun;
            while (j < stop && sameUnit<kUnit>(unit(j), unit(i)))
                ++j;
            *put++ = static_cast<std::uint8_t>(j - i - 1);
            std::memcpy(put, unit(i), kUnit);
            put += kUnit;
            i = j;
        } else {
            const std::size_t stop = std::min(count, i + kMaxRun);
            std::size_t j = i + 1;
            while (j < stop && !runStartsAt(j))
                ++j;
            *put++ = static_cast<std::uint8_t>(256 - (j - i));
            if constexpr (kUnit == kPixel) {
                std::memcpy(put, unit(i), (j - i) * kUnit);
                put += (j - i) * kUnit;
            } else {
                for (std::size_t k = i; k < j; ++k, put += kUnit)
                    std::memcpy(put, unit(k), kUnit);
            }
            i = j;
        }
        if (static_cast<std::size_t>(put - base) > limitBytes) {
            out.resize(start);
            return false;
        }
    }
    out.resize(start + static_cast<std::size_t>(put - base));
    return true;
}

inline std::uint16_t loadWord(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

void encodeTwelveBit(std::span<const std::uint8_t> raw, std::vector<std::uint8_t>& out) {
    const std::size_t count = raw.size() / 2;
    const std::size_t start = out.size();
    out.resize(start + count * 2);
    std::uint8_t* put = out.data() + start;
    std::size_t i = 0;
    while (i < count) {
        const std::uint16_t pixel = loadWord(&raw[i * 2]) & 0x0FFF;
        const std::size_t stop = std::min(count, i + kMaxTwelveRun);
        std::size_t j = i + 1;
        while (j < stop && (loadWord(&raw[j * 2]) & 0x0FFF) == pixel)
            ++j;
        const auto word = static_cast<std::uint16_t>(((j - i - 1) << 12) | pixel);
        *put++ = static_cast<std::uint8_t>(word & 0xFF);
        *put++ = static_cast<std::uint8_t>(word >> 8);
        i = j;
    }
    out.resize(static_cast<std::size_t>(put - out.data()));
}

template <int kUnit, int kPixel>
void decodeUnits(std::span<const std::uint8_t> stored, std::span<std::uint8_t> raw) {
    const std::uint8_t* in = stored.data();
    const std::uint8_t* const inEnd = in + stored.size();
    std::uint8_t* put = raw.data();
    std::uint8_t* const putEnd = put + raw.size();
    while (in < inEnd) {
        const std::uint8_t control = *in++;
        const std::size_t room = static_cast<std::size_t>(putEnd - put) / kPixel;
        if (control < 128) {
            const std::size_t length = std::size_t{control} + 1;
            if (inEnd - in < kUnit)
                throw Error("the compressed data ends inside a run");
            if (length > room)
                throw Error("a run goes past the end of the picture");
            if constexpr (kUnit == 1) {
                std::memset(put, *in, length);
                put += length;
            } else {
                for (std::size_t k = 0; k < length; ++k, put += kPixel) {
                    std::memcpy(put, in, kUnit);
                    if constexpr (kPixel > kUnit)
                        put[kUnit] = 0;
                }
            }
            in += kUnit;
        } else {
            const std::size_t length = 256 - std::size_t{control};
            if (static_cast<std::size_t>(inEnd - in) / kUnit < length)
                throw Error("the compressed data ends inside a literal block");
            if (length > room)
                throw Error("a literal block goes past the end of the picture");
            if constexpr (kUnit == kPixel) {
                std::memcpy(put, in, length * kUnit);
                put += length * kUnit;
                in += length * kUnit;
            } else {
                for (std::size_t k = 0; k < length; ++k, put += kPixel, in += kUnit) {
                    std::memcpy(put, in, kUnit);
                    put[kUnit] = 0;
                }
            }
        }
    }
    if (put != putEnd)
        throw Error("the compressed data ends before the picture is complete");
}

void decodeTwelveBit(std::span<const std::uint8_t> stored, std::span<std::uint8_t> raw) {
    if (stored.size() % 2 != 0)
        throw Error("the compressed data ends inside a word");
    std::uint8_t* put = raw.data();
    std::uint8_t* const putEnd = put + raw.size();
    for (std::size_t i = 0; i < stored.size(); i += 2) {
        const std::uint16_t word = loadWord(&stored[i]);
        const std::size_t length = (word >> 12) + std::size_t{1};
        if (length > static_cast<std::size_t>(putEnd - put) / 2)
            throw Error("a run goes past the end of the picture");
        const auto low = static_cast<std::uint8_t>(word & 0xFF);
        const auto high = static_cast<std::uint8_t>((word >> 8) & 0x0F);
        for (std::size_t k = 0; k < length; ++k) {
            *put++ = low;
            *put++ = high;
        }
    }
    if (put != putEnd)
        throw Error("the compressed data ends before the picture is complete");
}

}  // namespace

bool compressPixels(Compression compression, std::span<const std::uint8_t> raw,
                    std::vector<std::uint8_t>& out) {
    const std::size_t size = raw.size();
    const std::size_t threeQuarters = size / 4 * 3 + size % 4 * 3 / 4;
    const std::size_t sevenEighths = size / 8 * 7 + size % 8 * 7 / 8;
    switch (compression) {
        case Compression::Byte:
            return encodeUnits<1, 1>(raw.data(), size, 3, std::max<std::size_t>(size / 64, 4),
                                     threeQuarters, out);
        case Compression::TwelveBit:
            encodeTwelveBit(raw, out);
            return true;
        case Compression::SixteenBit:
            return encodeUnits<2, 2>(raw.data(), size / 2, 2, 0, sevenEighths, out);
        case Compression::TwentyFourBit:
            return encodeUnits<3, 3>(raw.data(), size / 3, 2, 0, sevenEighths, out);
        case Compression::ThirtyTwoBit:
            return encodeUnits<3, 4>(raw.data(), size / 4, 2, 0, sevenEighths, out);
        case Compression::ThirtyTwoBitAlpha:
            return encodeUnits<4, 4>(raw.data(), size / 4, 2, 0, sevenEighths, out);
        case Compression::None:
            break;
    }
    throw Error("no run-length scheme for this compression");
}

void decompressPixels(Compression compression, std::span<const std::uint8_t> stored,
                      std::span<std::uint8_t> raw) {
    switch (compression) {
        case Compression::Byte:
            return decodeUnits<1, 1>(stored, raw);
        case Compression::TwelveBit:
            return decodeTwelveBit(stored, raw);
        case Compression::SixteenBit:
            return decodeUnits<2, 2>(stored, raw);
        case Compression::TwentyFourBit:
            return decodeUnits<3, 3>(stored, raw);
        case Compression::ThirtyTwoBit:
            return decodeUnits<3, 4>(stored, raw);
        case Compression::ThirtyTwoBitAlpha:
            return decodeUnits<4, 4>(stored, raw);
        case Compression::None:
            break;
    }
    throw Error("no run-length scheme for this compression");
}

std::size_t minimumStoredBytes(Compression compression, std::size_t rawBytes) {
    auto tokens = [rawBytes](std::size_t rawPerToken) {
        return (rawBytes + rawPerToken - 1) / rawPerToken;
    };
    switch (compression) {
        case Compression::None:
            return rawBytes;
        case Compression::Byte:
            return tokens(kMaxRun) * 2;
        case Compression::TwelveBit:
            return tokens(kMaxTwelveRun * 2) * 2;
        case Compression::SixteenBit:
            return tokens(kMaxRun * 2) * 3;
        case Compression::TwentyFourBit:
            return tokens(kMaxRun * 3) * 4;
        case Compression::ThirtyTwoBit:
            return tokens(kMaxRun * 4) * 4;
        case Compression::ThirtyTwoBitAlpha:
            return tokens(kMaxRun * 4) * 5;
    }
    return rawBytes;
}

}  // namespace felmo
