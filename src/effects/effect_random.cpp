#include "effects/effect_random.hpp"

#include <string>

#include "base/error.hpp"

namespace felmo {

int EffectRandom::random(int n) {
    if (n < 1)
        throw Error("A random draw needs a range of at least 1, not " + std::to_string(n) + ".");
    seed_ = seed_ * 134775813u + 1u;  // wraps modulo 2^32
    return static_cast<int>((std::uint64_t{seed_} * static_cast<std::uint32_t>(n)) >> 32);
}

}  // namespace felmo
