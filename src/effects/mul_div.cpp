#include "effects/mul_div.hpp"

#include <cstdint>
#include <cstdlib>
#include <limits>

namespace felmo {

int MulDiv(int a, int b, int d) {
    if (d == 0)
        return -1;
    const std::int64_t product = std::int64_t{a} * b;
    const bool negative = (product < 0) != (d < 0);
    // |a * b| <= 2^62 and |d| <= 2^31: adding half the divisor cannot overflow.
    const std::int64_t magnitude = std::llabs(product);
    const std::int64_t divisor = std::llabs(std::int64_t{d});
    const std::int64_t quotient = (magnitude + divisor / 2) / divisor;
    const std::int64_t result = negative ? -quotient : quotient;
    if (result > std::numeric_limits<int>::max() || result < std::numeric_limits<int>::min())
        return -1;
    return static_cast<int>(result);
}

}  // namespace felmo
