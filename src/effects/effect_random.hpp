// EffectRandom: the one pseudo-random generator of the effects. A 32-bit seed, 0 at program start
// and never reseeded, so the same commands after a fresh start give the same frames.
#pragma once

#include <cstdint>

namespace felmo {

class EffectRandom {
  public:
    // A draw in 0..n-1 (n >= 1; felmo::Error otherwise): seed := seed * 134775813 + 1 mod 2^32,
    // result = the high 32 bits of the 64-bit product seed * n.
    int random(int n);

    std::uint32_t seed() const { return seed_; }
    void setSeed(std::uint32_t seed) { seed_ = seed; }

  private:
    std::uint32_t seed_ = 0;
};

}  // namespace felmo
