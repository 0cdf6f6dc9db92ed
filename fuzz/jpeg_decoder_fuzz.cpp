// Any bytes given to the JPEG decoder decode or raise felmo::Error; nothing else.
#include <cstddef>
#include <cstdint>

#include "base/error.hpp"
#include "raster/jpeg.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        felmo::decodeJpeg({data, size});
    } catch (const felmo::Error&) {
    }
    return 0;
}
