// What the .mbm reader accepts, the writer writes again at the same depth, and the reader reads
// back to the pixels the writer stored: the same colours, except that the writer's reduction maps
// the two exact greys (128 and 192) to the converter's own at every depth, 24 bits included.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "base/error.hpp"
#include "mbm/color_depth.hpp"
#include "mbm/mbm_reader.hpp"
#include "mbm/mbm_writer.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<felmo::MbmBitmap> bitmaps;
    try {
        bitmaps = felmo::decodeMbm({data, size});
    } catch (const felmo::Error&) {
        return 0;
    }
    std::vector<felmo::MbmFrame> frames;
    for (const felmo::MbmBitmap& bitmap : bitmaps)
        frames.push_back({&bitmap.raster, bitmap.info.mode});
    for (felmo::MbmStorage storage :
         {felmo::MbmStorage::Compressed, felmo::MbmStorage::Uncompressed}) {
        const std::vector<std::uint8_t> written = felmo::encodeMbm(frames, storage);
        const std::vector<felmo::MbmBitmap> again = felmo::decodeMbm(written);
        if (again.size() != bitmaps.size())
            std::abort();
        for (std::size_t i = 0; i < bitmaps.size(); ++i) {
            const felmo::Raster& first = bitmaps[i].raster;
            const felmo::Raster& second = again[i].raster;
            if (second.width() != first.width() || second.height() != first.height() ||
                again[i].info.mode != bitmaps[i].info.mode)
                std::abort();
            for (int y = 0; y < first.height(); ++y)
                for (int x = 0; x < first.width(); ++x)
                    if (second.pixel(x, y) !=
                        felmo::expandValue(
                            felmo::reduceColor(first.pixel(x, y), bitmaps[i].info.mode),
                            bitmaps[i].info.mode))
                        std::abort();
        }
    }
    return 0;
}
