// Where a decoder reads its input from: bytes at a position of a source of known size, a file
// (platform/file_io.hpp) or bytes in memory, so that one decoder serves both and a large file
// never has to be held whole.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "base/error.hpp"

namespace felmo {

class ByteSource {
  public:
    // The size the source had when it was opened; every position is checked against it.
    virtual std::uint64_t size() const = 0;

    // The `length` bytes at `position`, which must lie within size(): a view of memory the
    // source holds, or of `scratch`, which the source fills. The view stays valid until `scratch`
    // or the source changes. A source that can no longer give the bytes (a file that shrank)
    // throws felmo::Error.
    virtual std::span<const std::uint8_t> bytesAt(std::uint64_t position, std::size_t length,
                                                  std::vector<std::uint8_t>& scratch) = 0;

    // Whether bytesAt costs nothing (the source is memory): readers then take large pieces at once.
    virtual bool isInMemory() const = 0;

  protected:
    ~ByteSource() = default;
};

// Bytes already in memory, which must outlive the source.
class MemorySource final : public ByteSource {
  public:
    explicit MemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::uint64_t size() const override { return bytes_.size(); }
    std::span<const std::uint8_t> bytesAt(std::uint64_t position, std::size_t length,
                                          std::vector<std::uint8_t>&) override {
        if (position > bytes_.size() || bytes_.size() - position < length)
            throw Error("A read beyond the end of the data.");
        return bytes_.subspan(static_cast<std::size_t>(position), length);
    }
    bool isInMemory() const override { return true; }

  private:
    std::span<const std::uint8_t> bytes_;
};

// Reads a source from front to back a piece at a time: at most kPieceBytes are held at once
// (the whole rest when the source is memory).
class SourceCursor {
  public:
    static constexpr std::size_t kPieceBytes = 64 * 1024;

    SourceCursor(ByteSource& source, std::uint64_t position)
        : source_(source), position_(position) {}

    // Bytes from the position to the end of the source.
    std::uint64_t remaining() const {
        return position_ < source_.size() ? source_.size() - position_ : 0;
    }
    std::uint64_t position() const { return position_; }

    // The next `count` bytes (count <= kPieceBytes, at most remaining()), without moving past them.
    const std::uint8_t* peek(std::size_t count) {
        if (window_.size() - used_ < count) {
            const std::uint64_t rest = remaining();
            const std::size_t length = static_cast<std::size_t>(
                source_.isInMemory() ? rest : std::min<std::uint64_t>(rest, kPieceBytes));
            window_ = source_.bytesAt(position_, std::max(length, count), scratch_);
            used_ = 0;
        }
        return window_.data() + used_;
    }
    void skip(std::uint64_t count) {
        position_ += count;
        if (window_.size() - used_ >= count) {
            used_ += static_cast<std::size_t>(count);
        } else {
            window_ = {};
            used_ = 0;
        }
    }

  private:
    ByteSource& source_;
    std::uint64_t position_;
    std::span<const std::uint8_t> window_;
    std::size_t used_ = 0;
    std::vector<std::uint8_t> scratch_;
};

}  // namespace felmo
