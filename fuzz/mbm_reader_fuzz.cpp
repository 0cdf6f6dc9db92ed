// The multi-bitmap reader on arbitrary bytes: it may refuse them, never crash.
#include <cstddef>
#include <cstdint>

#include "base/error.hpp"
#include "mbm/mbm_reader.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        felmo::decodeMbm({data, size});
    } catch (const felmo::Error&) {
    }
    return 0;
}
