// Bytes in memory handed to a reader as a file hands them: copied into the reader's scratch one
// request at a time. The largest request is kept, so that a test can see a reader take a large
// file a piece at a time rather than whole.
#pragma once

#include <algorithm>
#include <span>
#include <vector>

#include "base/byte_source.hpp"
#include "base/error.hpp"

namespace felmo::testing {

class FileLikeSource final : public ByteSource {
  public:
    explicit FileLikeSource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::uint64_t size() const override { return bytes_.size(); }
    std::span<const std::uint8_t> bytesAt(std::uint64_t position, std::size_t length,
                                          std::vector<std::uint8_t>& scratch) override {
        if (position > bytes_.size() || bytes_.size() - position < length)
            throw Error("A read beyond the end of the file.");
        largestRead_ = std::max(largestRead_, length);
        const auto from = bytes_.subspan(static_cast<std::size_t>(position), length);
        scratch.assign(from.begin(), from.end());
        return scratch;
    }
    bool isInMemory() const override { return false; }

    std::size_t largestRead() const { return largestRead_; }

  private:
    std::span<const std::uint8_t> bytes_;
    std::size_t largestRead_ = 0;
};

}  // namespace felmo::testing
