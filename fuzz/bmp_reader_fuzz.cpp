// Any bytes given to the BMP reader decode or raise felmo::Error; nothing else.
#include <cstddef>
#include <cstdint>

#include "base/error.hpp"
#include "raster/bmp.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        felmo::decodeBmp({data, size});
    } catch (const felmo::Error&) {
    }
    return 0;
}
