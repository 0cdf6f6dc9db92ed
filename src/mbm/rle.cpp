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

// Where an encoding step puts its tokens: appended to `out`, whose bytes from `outStart` on are
// this bitmap's tokens not yet handed on; `handedOn` bytes were handed on before.
struct TokenTarget {
    std::vector<std::uint8_t>& out;
    std::size_t outStart;
    std::size_t handedOn;
    std::size_t stored() const { return handedOn + (out.size() - outStart); }
};

// What a scheme 1, 3, 4, 5 or 6 encoder knows of the whole stream: `count` pixels; a run stays
// inside the first `runEnd` units; past `limitBytes` of output it gives up.
struct UnitScheme {
    std::size_t count;
    std::size_t runEnd;
    std::size_t limitBytes;
};

// A run starts at 3 equal bytes (scheme 1) or 2 equal wider units.
template <int kUnit>
inline constexpr std::size_t kMinRun = kUnit == 1 ? 3 : 2;

// One step of a scheme 1, 3, 4, 5 or 6 encoder over the pixels of kPixel bytes at `raw`, each
// stored as its first kUnit bytes; raw[0] is pixel `first` of the stream and `available` pixels
// are there. Encodes every token that the pixels there decide (all of them when `complete`: the
// stream ends there) and returns the pixels consumed; sets gaveUp past the limit. A token is
// decided by at most kMaxRun + kMinRun pixels from its start, so the stream may arrive in pieces
// and the tokens are the same as for the whole.
template <int kUnit, int kPixel>
std::size_t encodeUnits(const std::uint8_t* raw, std::size_t available, std::size_t first,
                        bool complete, const UnitScheme& scheme, TokenTarget& target,
                        bool& gaveUp) {
    constexpr std::size_t minRun = kMinRun<kUnit>;
    const std::size_t lookahead = kMaxRun + minRun;
    const std::size_t decidable =
        complete ? available : (available >= lookahead ? available - lookahead + 1 : 0);
    if (decidable == 0)
        return 0;
    const std::size_t count = scheme.count - first;
    const std::size_t runEnd = scheme.runEnd > first ? scheme.runEnd - first : 0;

    // One token can overshoot the limit by at most a control byte and a full literal block; no
    // pixel costs more than a control byte and its unit.
    // Within the limit so far, or the encoder would have given up.
    const std::size_t limit = scheme.limitBytes - target.stored();
    const std::size_t room = std::min(available * (kUnit + 1), limit + 1 + kMaxRun * kUnit);
    const std::size_t start = target.out.size();
    target.out.resize(start + room);
    std::uint8_t* const base = target.out.data() + start;
    std::uint8_t* put = base;

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
    while (i < decidable) {
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
        if (static_cast<std::size_t>(put - base) > limit) {
            gaveUp = true;
            break;
        }
    }
    target.out.resize(start + static_cast<std::size_t>(put - base));
    return i;
}

inline std::uint16_t loadWord(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

// One step of the scheme 2 encoder, as encodeUnits: a word is decided by at most kMaxTwelveRun
// pixels from its start.
std::size_t encodeTwelveBit(const std::uint8_t* raw, std::size_t available, bool complete,
                            TokenTarget& target) {
    const std::size_t decidable = complete                     ? available
                                  : available >= kMaxTwelveRun ? available - kMaxTwelveRun + 1
                                                               : 0;
    const std::size_t start = target.out.size();
    target.out.resize(start + available * 2);
    std::uint8_t* put = target.out.data() + start;
    std::size_t i = 0;
    while (i < decidable) {
        const std::uint16_t pixel = loadWord(&raw[i * 2]) & 0x0FFF;
        const std::size_t stop = std::min(available, i + kMaxTwelveRun);
        std::size_t j = i + 1;
        while (j < stop && (loadWord(&raw[j * 2]) & 0x0FFF) == pixel)
            ++j;
        const auto word = static_cast<std::uint16_t>(((j - i - 1) << 12) | pixel);
        *put++ = static_cast<std::uint8_t>(word & 0xFF);
        *put++ = static_cast<std::uint8_t>(word >> 8);
        i = j;
    }
    target.out.resize(static_cast<std::size_t>(put - target.out.data()));
    return i;
}

// Writes `count` pixels of a run: each its unit, and 0 in a fourth byte the unit lacks. The unit
// sizes are spelled out so that each loop stores whole pixels, not a call per pixel.
std::uint8_t* fillRun(std::uint8_t* put, const std::uint8_t* unit, std::size_t count,
                      std::size_t unitBytes, std::size_t pixelBytes) {
    const std::uint8_t a = unit[0];
    switch (pixelBytes * 4 + unitBytes) {
        case 1 * 4 + 1:
            std::memset(put, a, count);
            return put + count;
        case 2 * 4 + 2: {
            const std::uint8_t b = unit[1];
            for (std::size_t k = 0; k < count; ++k, put += 2) {
                put[0] = a;
                put[1] = b;
            }
            return put;
        }
        case 3 * 4 + 3:
        case 4 * 4 + 3: {
            const std::uint8_t b = unit[1], c = unit[2];
            for (std::size_t k = 0; k < count; ++k, put += pixelBytes) {
                put[0] = a;
                put[1] = b;
                put[2] = c;
                if (pixelBytes == 4)
                    put[3] = 0;
            }
            return put;
        }
        default: {
            const std::uint8_t b = unit[1], c = unit[2], d = unit[3];
            for (std::size_t k = 0; k < count; ++k, put += 4) {
                put[0] = a;
                put[1] = b;
                put[2] = c;
                put[3] = d;
            }
            return put;
        }
    }
}

// Writes `count` pixels of a run of one unit, the scheme's sizes known to the compiler, so that
// each pixel is one or two stores.
template <std::size_t kUnit, std::size_t kPixel>
inline std::uint8_t* fillRunOf(std::uint8_t* put, const std::uint8_t* unit, std::size_t count) {
    if constexpr (kPixel == 1) {
        std::memset(put, unit[0], count);
        return put + count;
    } else {
        std::uint8_t pixel[kPixel] = {};  // 0 in a fourth byte the unit lacks
        std::memcpy(pixel, unit, kUnit);
        for (std::size_t k = 0; k < count; ++k, put += kPixel)
            std::memcpy(put, pixel, kPixel);
        return put;
    }
}

// Expands the whole, sound tokens from stored[in] on while they fit in `pixels`; stops before the
// first that does not (cut by the piece's end, or faulty), leaving it to the general steps.
// Returns the pixels written. The positions are kept in locals, which the byte stores cannot
// alias.
template <std::size_t kUnit, std::size_t kPixel>
std::size_t expandTokens(std::span<const std::uint8_t> stored, std::size_t& inOut,
                         std::uint8_t*& putOut, std::size_t pixels) {
    const std::uint8_t* in = stored.data() + inOut;
    const std::uint8_t* const end = stored.data() + stored.size();
    std::uint8_t* put = putOut;
    std::size_t room = pixels;
    while (in < end) {
        const std::uint8_t control = *in;
        const auto after = static_cast<std::size_t>(end - in - 1);
        if (control < 128) {
            const std::size_t length = std::size_t{control} + 1;
            if (after < kUnit || length > room)
                break;
            put = fillRunOf<kUnit, kPixel>(put, in + 1, length);
            in += 1 + kUnit;
            room -= length;
        } else {
            const std::size_t length = 256 - std::size_t{control};
            if (after / kUnit < length || length > room)
                break;
            const std::uint8_t* from = in + 1;
            if constexpr (kUnit == kPixel) {
                std::memcpy(put, from, length * kUnit);
                put += length * kUnit;
            } else {
                for (std::size_t k = 0; k < length; ++k, put += kPixel, from += kUnit) {
                    std::memcpy(put, from, kUnit);
                    put[kUnit] = 0;
                }
            }
            in += 1 + length * kUnit;
            room -= length;
        }
    }
    inOut = static_cast<std::size_t>(in - stored.data());
    putOut = put;
    return pixels - room;
}

}  // namespace

std::size_t PixelExpander::expandWholeTokens(std::uint8_t*& put, std::size_t pixels) {
    switch (compression_) {
        case Compression::Byte:
            return expandTokens<1, 1>(stored_, in_, put, pixels);
        case Compression::SixteenBit:
            return expandTokens<2, 2>(stored_, in_, put, pixels);
        case Compression::TwentyFourBit:
            return expandTokens<3, 3>(stored_, in_, put, pixels);
        case Compression::ThirtyTwoBit:
            return expandTokens<3, 4>(stored_, in_, put, pixels);
        case Compression::ThirtyTwoBitAlpha:
            return expandTokens<4, 4>(stored_, in_, put, pixels);
        default:
            return 0;  // scheme 2 goes word by word through the general steps
    }
}

std::size_t PixelCompressor::pixelBytes(Compression compression) {
    switch (compression) {
        case Compression::Byte:
            return 1;
        case Compression::TwelveBit:
        case Compression::SixteenBit:
            return 2;
        case Compression::TwentyFourBit:
            return 3;
        case Compression::ThirtyTwoBit:
        case Compression::ThirtyTwoBitAlpha:
            return 4;
        case Compression::None:
            break;
    }
    throw Error("no run-length scheme for this compression");
}

PixelCompressor::PixelCompressor(Compression compression, std::size_t rawBytes, Sink sink)
    : PixelCompressor(compression, rawBytes, own_) {
    sink_ = std::move(sink);
}

PixelCompressor::PixelCompressor(Compression compression, std::size_t rawBytes,
                                 std::vector<std::uint8_t>& out)
    : compression_(compression),
      rawBytes_(rawBytes),
      pixelBytes_(pixelBytes(compression)),
      out_(&out),
      outStart_(out.size()) {
    const std::size_t threeQuarters = rawBytes / 4 * 3 + rawBytes % 4 * 3 / 4;
    const std::size_t sevenEighths = rawBytes / 8 * 7 + rawBytes % 8 * 7 / 8;
    const std::size_t count = rawBytes / pixelBytes_;
    if (compression == Compression::Byte) {
        const std::size_t tail = std::max<std::size_t>(rawBytes / 64, 4);
        runEnd_ = count > tail ? count - tail : 0;
        limitBytes_ = threeQuarters;
    } else {
        runEnd_ = count;
        limitBytes_ = sevenEighths;
    }
}

std::size_t PixelCompressor::encode(const std::uint8_t* raw, std::size_t bytes, bool complete) {
    const std::size_t available = bytes / pixelBytes_;
    TokenTarget target{*out_, outStart_, handedOn_};
    const UnitScheme scheme{rawBytes_ / pixelBytes_, runEnd_, limitBytes_};
    switch (compression_) {
        case Compression::Byte:
            return encodeUnits<1, 1>(raw, available, encoded_, complete, scheme, target, gaveUp_);
        case Compression::TwelveBit:
            return encodeTwelveBit(raw, available, complete, target);
        case Compression::SixteenBit:
            return encodeUnits<2, 2>(raw, available, encoded_, complete, scheme, target, gaveUp_);
        case Compression::TwentyFourBit:
            return encodeUnits<3, 3>(raw, available, encoded_, complete, scheme, target, gaveUp_);
        case Compression::ThirtyTwoBit:
            return encodeUnits<3, 4>(raw, available, encoded_, complete, scheme, target, gaveUp_);
        case Compression::ThirtyTwoBitAlpha:
            return encodeUnits<4, 4>(raw, available, encoded_, complete, scheme, target, gaveUp_);
        case Compression::None:
            break;
    }
    throw Error("no run-length scheme for this compression");
}

void PixelCompressor::step(bool complete) {
    std::size_t used = 0;
    if (!pending_.empty()) {
        used = encode(pending_.data(), pending_.size(), complete);
        pending_.erase(pending_.begin(),
                       pending_.begin() + static_cast<std::ptrdiff_t>(used * pixelBytes_));
    }
    encoded_ += used;
    if (gaveUp_) {
        out_->resize(outStart_);
        pending_.clear();
        return;
    }
    // Tokens are handed on in pieces of a useful size; within the limit, so that a caller who
    // stores the bitmap plainly after all can write it over everything handed on.
    constexpr std::size_t kHandOnBytes = 32 * 1024;
    if (sink_ && (complete || own_.size() >= kHandOnBytes)) {
        sink_(own_);
        handedOn_ += own_.size();
        own_.clear();
    }
}

bool PixelCompressor::feed(std::span<const std::uint8_t> piece) {
    if (gaveUp_)
        return false;
    if (piece.size() > rawBytes_ - fed_)
        throw Error("more pixel data than the bitmap holds");
    fed_ += piece.size();
    const bool complete = fed_ == rawBytes_;
    if (pending_.empty() && !piece.empty()) {
        // Straight from the piece; only what it cannot decide yet is kept.
        const std::size_t used = encode(piece.data(), piece.size(), complete);
        encoded_ += used;
        if (!gaveUp_)
            pending_.assign(piece.begin() + static_cast<std::ptrdiff_t>(used * pixelBytes_),
                            piece.end());
        step(false);
    } else {
        pending_.insert(pending_.end(), piece.begin(), piece.end());
        step(false);
    }
    return !gaveUp_;
}

bool PixelCompressor::finish() {
    if (gaveUp_)
        return false;
    if (fed_ != rawBytes_)
        throw Error("the pixel data ends before the bitmap is complete");
    step(true);
    return !gaveUp_;
}

bool compressPixels(Compression compression, std::span<const std::uint8_t> raw,
                    std::vector<std::uint8_t>& out) {
    PixelCompressor compressor(compression, raw.size(), out);
    return compressor.feed(raw) && compressor.finish();
}

PixelExpander::PixelExpander(Compression compression, std::span<const std::uint8_t> stored,
                             std::size_t rawBytes)
    : compression_(compression), stored_(stored), left_(rawBytes) {
    setScheme(stored.size());
}

PixelExpander::PixelExpander(Compression compression, ByteSource& source, std::uint64_t position,
                             std::size_t storedBytes, std::size_t rawBytes)
    : compression_(compression), source_(&source), nextAt_(position), left_(rawBytes) {
    setScheme(storedBytes);
    if (source.isInMemory())
        stored_ = source.bytesAt(position, storedBytes, window_);
    else
        unread_ = storedBytes;
}

void PixelExpander::setScheme(std::size_t storedBytes) {
    switch (compression_) {
        case Compression::Byte:
            unit_ = pixel_ = 1;
            break;
        case Compression::TwelveBit:
        case Compression::SixteenBit:
            unit_ = pixel_ = 2;
            break;
        case Compression::TwentyFourBit:
            unit_ = pixel_ = 3;
            break;
        case Compression::ThirtyTwoBit:
            unit_ = 3;
            pixel_ = 4;
            break;
        case Compression::ThirtyTwoBitAlpha:
            unit_ = pixel_ = 4;
            break;
        case Compression::None:
            throw Error("no run-length scheme for this compression");
    }
    if (compression_ == Compression::TwelveBit && storedBytes % 2 != 0)
        throw Error("the compressed data ends inside a word");
}

bool PixelExpander::refill() {
    constexpr std::size_t kLongestToken = 1 + 128 * 4;
    const std::size_t kept = stored_.size() - in_;
    if (unread_ == 0 || kept >= kLongestToken)
        return false;
    const std::size_t taken = std::min(unread_, SourceCursor::kPieceBytes);
    const std::span<const std::uint8_t> piece = source_->bytesAt(nextAt_, taken, scratch_);
    if (kept > 0)  // the window holds what is at hand, so it is at least that long
        std::memmove(window_.data(), stored_.data() + in_, kept);
    window_.resize(kept + taken);
    std::memcpy(window_.data() + kept, piece.data(), taken);
    stored_ = window_;
    in_ = 0;
    nextAt_ += taken;
    unread_ -= taken;
    return true;
}

void PixelExpander::startToken() {
    const std::size_t room = left_ / pixel_;
    if (compression_ == Compression::TwelveBit) {
        if (stored_.size() - in_ < 2)
            throw Error("the compressed data ends inside a word");
        const std::uint16_t word = loadWord(&stored_[in_]);
        in_ += 2;
        const std::size_t length = (word >> 12) + std::size_t{1};
        if (length > room)
            throw Error("a run goes past the end of the picture");
        twelve_[0] = static_cast<std::uint8_t>(word & 0xFF);
        twelve_[1] = static_cast<std::uint8_t>((word >> 8) & 0x0F);
        runUnit_ = twelve_;
        runLeft_ = length;
        return;
    }
    const std::uint8_t control = stored_[in_++];
    if (control < 128) {
        const std::size_t length = std::size_t{control} + 1;
        if (stored_.size() - in_ < unit_)
            throw Error("the compressed data ends inside a run");
        if (length > room)
            throw Error("a run goes past the end of the picture");
        runUnit_ = &stored_[in_];
        in_ += unit_;
        runLeft_ = length;
    } else {
        const std::size_t length = 256 - std::size_t{control};
        if ((stored_.size() - in_) / unit_ < length)
            throw Error("the compressed data ends inside a literal block");
        if (length > room)
            throw Error("a literal block goes past the end of the picture");
        literalLeft_ = length;
    }
}

void PixelExpander::expand(std::span<std::uint8_t> piece) {
    if (piece.size() > left_ || (piece.size() % pixel_ != 0 && piece.size() != left_))
        throw Error("the pieces do not match the picture");
    std::uint8_t* put = piece.data();
    std::size_t pixels = piece.size() / pixel_;
    while (pixels > 0) {
        if (runLeft_ == 0 && literalLeft_ == 0) {
            // Whole tokens that lie inside the piece go through a loop made for the scheme; the
            // general steps below take the rest: a token cut by the piece's end, or a fault.
            const std::size_t done = expandWholeTokens(put, pixels);
            pixels -= done;
            left_ -= done * pixel_;
            if (pixels == 0)
                break;
            if (refill())
                continue;
            if (in_ == stored_.size())
                throw Error("the compressed data ends before the picture is complete");
            startToken();
        }
        if (runLeft_ > 0) {
            const std::size_t n = std::min(runLeft_, pixels);
            put = fillRun(put, runUnit_, n, unit_, pixel_);
            runLeft_ -= n;
            pixels -= n;
            left_ -= n * pixel_;
        } else {
            const std::size_t n = std::min(literalLeft_, pixels);
            if (unit_ == pixel_) {
                std::memcpy(put, &stored_[in_], n * unit_);
                put += n * unit_;
                in_ += n * unit_;
            } else {
                for (std::size_t k = 0; k < n; ++k, put += pixel_, in_ += unit_) {
                    std::memcpy(put, &stored_[in_], unit_);
                    put[unit_] = 0;
                }
            }
            literalLeft_ -= n;
            pixels -= n;
            left_ -= n * pixel_;
        }
    }
    if (piece.size() % pixel_ != 0)  // the last piece, ending in a part pixel
        finish();
}

void PixelExpander::finish() {
    // A part pixel at the end can never be filled: a further token goes past the picture.
    refill();
    if (in_ < stored_.size())
        startToken();
    if (left_ != 0 || in_ < stored_.size() || unread_ > 0)
        throw Error("the compressed data ends before the picture is complete");
}

void decompressPixels(Compression compression, std::span<const std::uint8_t> stored,
                      std::span<std::uint8_t> raw) {
    PixelExpander expander(compression, stored, raw.size());
    expander.expand(raw);
    expander.finish();
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
