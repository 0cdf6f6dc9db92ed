// Hands a picture library the bytes of a source from front to back, a piece at a time, from
// inside the library's read callbacks. Those are called from C code, so nothing here throws: a
// source that fails (a file that shrank while read) gives no more bytes and keeps its error, which
// the decoder throws unchanged once the library has returned.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <exception>
#include <span>
#include <vector>

#include "base/byte_source.hpp"

namespace felmo {

class PieceReader {
  public:
    // At most this much of a file is held at once; a source in memory is handed over whole.
#ifdef FELMO_FUZZ_SMALL_PIECES
    static constexpr std::size_t kPieceBytes = 13;
#else
    static constexpr std::size_t kPieceBytes = SourceCursor::kPieceBytes;
#endif

    explicit PieceReader(ByteSource& source) : source_(source) {}
    PieceReader(const PieceReader&) = delete;
    PieceReader& operator=(const PieceReader&) = delete;

    // The next bytes, moving past them: the rest of the current piece, or a new one. The view
    // stays valid until the next call. Empty at the end of the source and after a failure.
    std::span<const std::uint8_t> nextPiece() noexcept {
        if (piece_.empty()) {
            const std::uint64_t rest = remainingInSource();
            if (rest == 0 || failure_)
                return {};
            const std::size_t length = static_cast<std::size_t>(
                source_.isInMemory() ? rest : std::min<std::uint64_t>(rest, kPieceBytes));
            try {
                piece_ = source_.bytesAt(position_, length, scratch_);
            } catch (...) {
                failure_ = std::current_exception();
                return {};
            }
            position_ += length;
        }
        const std::span<const std::uint8_t> piece = piece_;
        piece_ = {};
        return piece;
    }

    // Copies up to target.size() bytes; fewer only at the end of the source or after a failure.
    std::size_t read(std::span<std::uint8_t> target) noexcept {
        std::size_t copied = 0;
        while (copied < target.size()) {
            if (piece_.empty())
                piece_ = nextPiece();
            if (piece_.empty())
                break;
            const std::size_t count = std::min(piece_.size(), target.size() - copied);
            std::memcpy(target.data() + copied, piece_.data(), count);
            piece_ = piece_.subspan(count);
            copied += count;
        }
        return copied;
    }

    // Moves past `count` bytes without reading them, or to the end of the source if fewer remain.
    void skip(std::uint64_t count) noexcept {
        if (count <= piece_.size()) {
            piece_ = piece_.subspan(static_cast<std::size_t>(count));
            return;
        }
        count -= piece_.size();
        piece_ = {};
        position_ += std::min(count, remainingInSource());
    }

    // Bytes not yet handed over.
    std::uint64_t remaining() const noexcept {
        return piece_.size() + remainingInSource();
    }

    // Throws the source's error, if it failed.
    void rethrowFailure() const {
        if (failure_)
            std::rethrow_exception(failure_);
    }
    bool failed() const noexcept {
        return static_cast<bool>(failure_);
    }

  private:
    std::uint64_t remainingInSource() const noexcept {
        return position_ < source_.size() ? source_.size() - position_ : 0;
    }

    ByteSource& source_;
    std::uint64_t position_ = 0;  // of the first byte after the current piece
    std::span<const std::uint8_t> piece_;
    std::vector<std::uint8_t> scratch_;
    std::exception_ptr failure_;
};

}  // namespace felmo
