// Any bytes given to the PNG decoder decode or raise felmo::Error; nothing else.
#include <cstddef>
#include <cstdint>

#include "base/error.hpp"
#include "raster/png.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        felmo::decodePng({data, size});
    } catch (const felmo::Error&) {
    }
    return 0;
}
