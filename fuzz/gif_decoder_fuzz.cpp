// Any bytes given to the GIF decoder, as a still or frame by frame, decode or raise felmo::Error.
#include <cstddef>
#include <cstdint>

#include "base/error.hpp"
#include "raster/gif.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        felmo::decodeGif({data, size});
        felmo::composeGifFrames({data, size},
                                [](int, const felmo::DecodedPicture&) { return true; });
    } catch (const felmo::Error&) {
    }
    return 0;
}
