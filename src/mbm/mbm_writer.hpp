// Writing .mbm files to memory.
//
// Each frame is reduced to its mode (see color_depth.hpp), padded with 0xFF and, unless stored
// plainly, compressed with the scheme of its depth; a bitmap whose compressed form would be too
// large is stored uncompressed (see rle.hpp), so one file may mix both. The twips fields come
// from the raster's pixels per metre (0 when it has none). The output is byte for byte what the
// platform's own converter writes for the same pictures and options.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "mbm/mbm_format.hpp"
#include "raster/raster.hpp"

namespace felmo {

struct MbmFrame {
    const Raster* raster = nullptr;
    BitmapMode mode;
};

enum class MbmStorage { Compressed, Uncompressed };

// Builds a file one bitmap at a time, so that a caller need not hold every picture at once.
class MbmWriter {
  public:
    explicit MbmWriter(MbmStorage storage = MbmStorage::Compressed);
    // Appends one bitmap. Throws felmo::Error for an empty raster, a mode the writer does not
    // store (colour with alpha) or a file that would pass 4 GiB.
    void add(const Raster& raster, const BitmapMode& mode);
    // The whole file, with its trailer; the writer is empty afterwards.
    std::vector<std::uint8_t> finish();

  private:
    MbmStorage storage_;
    std::vector<std::uint8_t> file_;
    std::vector<std::size_t> offsets_;
    std::vector<std::uint8_t> raw_;  // reused for every bitmap
};

// The whole file of the frames, in order; the errors of MbmWriter::add.
std::vector<std::uint8_t> encodeMbm(std::span<const MbmFrame> frames,
                                    MbmStorage storage = MbmStorage::Compressed);

}  // namespace felmo
