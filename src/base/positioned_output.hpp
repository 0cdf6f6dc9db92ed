// Where a writer that fills in a header at the end puts its bytes: written at the position,
// which then moves on past them, as in a file; seek() goes back over what was written.
#pragma once

#include <cstdint>
#include <span>

namespace felmo {

class PositionedOutput {
  public:
    // Writes at the position (over earlier bytes or beyond the end) and moves past the bytes.
    virtual void write(std::span<const std::uint8_t> bytes) = 0;
    // Moves to `position`, at most the end of what was written.
    virtual void seek(std::uint64_t position) = 0;
    virtual std::uint64_t position() const = 0;

  protected:
    ~PositionedOutput() = default;
};

}  // namespace felmo
