// The run-length schemes of .mbm bitmaps. Each works on a bitmap's whole padded pixel buffer
// (stride x height bytes, row padding included) as one stream, so runs and literal blocks may
// cross row ends.
//
// Schemes 1, 3, 4, 5, 6: a signed control byte c; 0..127: one unit follows, repeated c + 1
// times; -128..-1: -c units follow verbatim. A unit is 1 byte (scheme 1), a 2-byte pixel word (3),
// 3 bytes (4), the first 3 bytes of a 4-byte pixel (5) or 4 bytes (6).
// Scheme 2: 16-bit little-endian words, bits 15-12 the run length - 1, bits 11-0 the pixel.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "base/byte_source.hpp"
#include "mbm/mbm_format.hpp"

namespace felmo {

// Appends the stored form of `raw` to `out` and returns true, or returns false with `out` as it
// was when the scheme gives up: byte units once the result exceeds 3/4 of the raw size, the
// wider units past 7/8; scheme 2 never gives up. The encoder makes the same choices as the
// platform's own converter, so its output is identical byte for byte:
// - a run starts at 3 equal bytes (scheme 1) or 2 equal units (the others); a literal block
//   ends just before such a place; runs and blocks hold at most 128 units;
// - scheme 1 writes the last max(size / 64, 4) bytes as literal blocks only.
// `raw` holds whole pixels of the scheme (2 bytes for 2 and 3, 3 for 4, 4 for 5 and 6).
bool compressPixels(Compression compression, std::span<const std::uint8_t> raw,
                    std::vector<std::uint8_t>& out);

// The same encoder fed a bitmap's padded pixel buffer a piece at a time (pieces of any length,
// row by row for instance), so that the whole buffer never has to exist: the stored bytes are
// the same as compressPixels gives for the whole. It keeps at most a token's worth of pixels and
// of stored bytes beyond the piece it is given.
class PixelCompressor {
  public:
    using Sink = std::function<void(std::span<const std::uint8_t>)>;
    // The stored bytes go to `sink` in pieces as they are decided; never more than the scheme's
    // limit, so that a bitmap stored plainly after all (finish() false) covers every byte
    // handed on. `rawBytes` is the size of the whole buffer. Throws felmo::Error for None.
    PixelCompressor(Compression compression, std::size_t rawBytes, Sink sink);
    // The stored bytes are appended to `out` instead, which is put back as it was on giving up.
    PixelCompressor(Compression compression, std::size_t rawBytes, std::vector<std::uint8_t>& out);
    PixelCompressor(const PixelCompressor&) = delete;
    PixelCompressor& operator=(const PixelCompressor&) = delete;

    // The next piece of the buffer. Returns false once the scheme has given up (later pieces are
    // then ignored). Throws felmo::Error when the pieces pass rawBytes.
    bool feed(std::span<const std::uint8_t> piece);
    // After the last piece: the remaining stored bytes, and whether the bitmap is compressed
    // (false: the scheme gave up). Throws felmo::Error when fewer than rawBytes were fed.
    bool finish();

  private:
    static std::size_t pixelBytes(Compression compression);
    std::size_t encode(const std::uint8_t* raw, std::size_t bytes, bool complete);
    void step(bool complete);

    Compression compression_;
    std::size_t rawBytes_;
    std::size_t pixelBytes_;
    std::size_t runEnd_ = 0;
    std::size_t limitBytes_ = 0;
    std::vector<std::uint8_t> own_;  // stored bytes not handed on yet (with a sink)
    std::vector<std::uint8_t>* out_;
    std::size_t outStart_;
    Sink sink_;
    std::vector<std::uint8_t> pending_;  // fed bytes not encoded yet
    std::size_t fed_ = 0;
    std::size_t encoded_ = 0;  // pixels
    std::size_t handedOn_ = 0;
    bool gaveUp_ = false;
};

// Expands `stored` into `raw`, which it must fill exactly while consuming exactly every stored
// byte; anything else throws felmo::Error naming the fault. Runs of any length are accepted.
// Scheme 5 writes 0 into the fourth byte of each pixel.
void decompressPixels(Compression compression, std::span<const std::uint8_t> stored,
                      std::span<std::uint8_t> raw);

// The same expansion a piece at a time (row by row, say), so that the whole padded buffer never
// has to exist: the pieces, of whole pixels, must add up to rawBytes; the errors are those of
// decompressPixels, each thrown once the piece that meets it is expanded (or by finish()).
class PixelExpander {
  public:
    // `stored` must outlive the expander. Throws felmo::Error for None.
    PixelExpander(Compression compression, std::span<const std::uint8_t> stored,
                  std::size_t rawBytes);
    // The stored stream is the `storedBytes` at `position` of `source`, which must outlive the
    // expander; from a file it is read a piece (about 64 KiB) at a time as expansion goes on.
    PixelExpander(Compression compression, ByteSource& source, std::uint64_t position,
                  std::size_t storedBytes, std::size_t rawBytes);
    PixelExpander(const PixelExpander&) = delete;  // the bytes at hand may be its own
    PixelExpander& operator=(const PixelExpander&) = delete;
    void expand(std::span<std::uint8_t> piece);
    // After the last piece: every stored byte must have been used.
    void finish();

  private:
    void setScheme(std::size_t storedBytes);
    // At a token's start, when fewer bytes than the longest token are at hand and the stream
    // has more: the rest at hand moves to the front of the window and the next piece follows it,
    // so that a token begun is always whole at hand. Whether it took more.
    bool refill();
    void startToken();
    std::size_t expandWholeTokens(std::uint8_t*& put, std::size_t pixels);

    Compression compression_;
    std::span<const std::uint8_t> stored_;  // the stream's bytes at hand: all, or a window
    ByteSource* source_ = nullptr;
    std::uint64_t nextAt_ = 0;  // where the bytes not yet at hand start in the source
    std::size_t unread_ = 0;    // stored bytes not yet at hand
    std::vector<std::uint8_t> window_;
    std::vector<std::uint8_t> scratch_;
    std::size_t left_;  // raw bytes still to fill
    std::size_t unit_ = 1;
    std::size_t pixel_ = 1;
    std::size_t in_ = 0;
    const std::uint8_t* runUnit_ = nullptr;
    std::uint8_t twelve_[2] = {};
    std::size_t runLeft_ = 0;      // pixels of the current run still to write
    std::size_t literalLeft_ = 0;  // pixels of the current literal block still to copy
};

// The fewest stored bytes that can expand to rawBytes under the scheme (all longest runs): lets
// a reader refuse an impossible size before allocating the buffer.
std::size_t minimumStoredBytes(Compression compression, std::size_t rawBytes);

}  // namespace felmo
