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
#include <span>
#include <vector>

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

// Expands `stored` into `raw`, which it must fill exactly while consuming exactly every stored
// byte; anything else throws felmo::Error naming the fault. Runs of any length are accepted.
// Scheme 5 writes 0 into the fourth byte of each pixel.
void decompressPixels(Compression compression, std::span<const std::uint8_t> stored,
                      std::span<std::uint8_t> raw);

// The fewest stored bytes that can expand to rawBytes under the scheme (all longest runs): lets
// a reader refuse an impossible size before allocating the buffer.
std::size_t minimumStoredBytes(Compression compression, std::size_t rawBytes);

}  // namespace felmo
