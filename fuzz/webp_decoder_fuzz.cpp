// Any bytes given to the WebP decoder, as a still or frame by frame, decode or raise felmo::Error.
#include <cstddef>
#include <cstdint>

#include "base/error.hpp"
#include "raster/webp.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        felmo::decodeWebp({data, size});
        felmo::composeWebpFrames({data, size},
                                 [](int, const felmo::DecodedPicture&) { return true; });
    } catch (const felmo::Error&) {
    }
    return 0;
}
