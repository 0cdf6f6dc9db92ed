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

// The whole file. Throws felmo::Error for an empty raster, a mode the writer does not store
// (colour with alpha) or a file that would pass 4 GiB.
std::vector<std::uint8_t> encodeMbm(std::span<const MbmFrame> frames,
                                    MbmStorage storage = MbmStorage::Compressed);

}  // namespace felmo
